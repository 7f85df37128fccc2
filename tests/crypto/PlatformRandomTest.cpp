#include <gtest/gtest.h>

#include <set>

#include "common/crypto/internal/PlatformRandom.h"

namespace {

using CryptoPP::word32;

// Values drawn for a range stay inside it and spread over all of it; a small range is covered
// whole. PKCS #1 padding relies on [1, 255] never giving a zero byte.
TEST(PlatformRandom, WordsFallInsideTheirRangeAndSpreadOverIt) {
  struct Case {
    word32 min, max;
  };
  const Case cases[] = {{1, 255}, {0, 1}, {7, 7}, {0, 0}, {250, 260}, {0, 0xFFFFFFFF}, {1000, 70000}};
  qor::internal::PlatformRandom rng;
  for (const auto& c : cases) {
    std::set<word32> seen;
    for (int i = 0; i < 5000; ++i) {
      const word32 value = rng.GenerateWord32(c.min, c.max);
      ASSERT_GE(value, c.min) << c.min << ".." << c.max;
      ASSERT_LE(value, c.max) << c.min << ".." << c.max;
      seen.insert(value);
    }
    // Both ends of the range are reached: every byte a range needs is drawn.
    const double span = double(c.max) - c.min;
    EXPECT_LE(*seen.begin() - c.min, span / 10) << c.min << ".." << c.max;
    EXPECT_GE(*seen.rbegin() - c.min, span * 9 / 10) << c.min << ".." << c.max;
    if (span < 256) {
      EXPECT_EQ(seen.size(), span + 1) << c.min << ".." << c.max;
    }
  }
}

}  // namespace
