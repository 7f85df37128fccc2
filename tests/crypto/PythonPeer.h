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

// A well-formed PKCS #8 RSA-2048 key whose CRT coefficient does not fit its primes: it decodes,
// and only validation refuses it. Made by the peer on each call.
inline platform::Bytes privateKeyFailingValidation() {
  const char* script = R"(
from cryptography.hazmat.primitives.asymmetric import rsa
def tlv(tag, value):
    n = len(value)
    length = bytes([n]) if n < 128 else bytes([0x80 | ((n.bit_length() + 7) // 8)]) + n.to_bytes((n.bit_length() + 7) // 8, 'big')
    return bytes([tag]) + length + value
def integer(x):
    return tlv(2, x.to_bytes(x.bit_length() // 8 + 1, 'big'))
k = rsa.generate_private_key(65537, 2048).private_numbers()
p = k.public_numbers
fields = [0, p.n, p.e, k.d, k.p, k.q, k.dmp1, k.dmq1, k.iqmp + 1]
rsa_key = tlv(0x30, b''.join(integer(x) for x in fields))
alg = tlv(0x30, tlv(6, bytes.fromhex('2a864886f70d010101')) + b'\x05\x00')
print(tlv(0x30, integer(0) + alg + tlv(4, rsa_key)).hex())
)";
  const auto lines = runPeer(script);
  EXPECT_EQ(lines.size(), 1u);
  return lines.empty() ? platform::Bytes{} : hex(lines[0].c_str());
}

}  // namespace cryptotest
