// The independent implementation the crypto tests compare against: Debian's python3 with
// pyca/cryptography. Scripts read their cases from standard input and answer one line per case.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/Bytes.h"
#include "tests/support/TestSupport.h"

namespace cryptotest {

inline std::vector<std::string> runPeer(const std::string& script, const std::string& input = {}) {
  const auto result = qortest::runPython(script, {}, input);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> lines;
  std::istringstream out(result.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

inline platform::Bytes hex(const char* text) { return platform::bytesFromHex(text).value(); }

inline platform::Bytes sequence(size_t size, uint8_t start = 0) {
  platform::Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(start + i);
  return out;
}

}  // namespace cryptotest
