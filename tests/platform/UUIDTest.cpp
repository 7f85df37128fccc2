#include <gtest/gtest.h>

#include <set>

#include "platform/UUID.h"

namespace {

TEST(UUID, IsUpperCaseVersion4TextWithTheRfcVariant) {
  for (int i = 0; i < 200; ++i) {
    const std::string text = platform::uuidString();
    SCOPED_TRACE(text);
    ASSERT_EQ(text.size(), 36u);
    for (size_t k = 0; k < text.size(); ++k) {
      if (k == 8 || k == 13 || k == 18 || k == 23) {
        EXPECT_EQ(text[k], '-');
      } else {
        EXPECT_TRUE((text[k] >= '0' && text[k] <= '9') || (text[k] >= 'A' && text[k] <= 'F'));
      }
    }
    EXPECT_EQ(text[14], '4');
    EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
  }
}

TEST(UUID, FreshValuesDoNotRepeat) {
  std::set<std::string> seen;
  for (int i = 0; i < 10000; ++i) seen.insert(platform::uuidString());
  EXPECT_EQ(seen.size(), 10000u);
}

}  // namespace
