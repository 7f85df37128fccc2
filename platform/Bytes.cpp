#include "platform/Bytes.h"

#include <cstring>

namespace platform {

std::string hexString(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

OptBytes bytesFromHex(std::string_view hex) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  Bytes out;
  int high = -1;
  for (char c : hex) {
    if (c == ' ' || c == '\n' || c == '\t') continue;
    int v = nibble(c);
    if (v < 0) return std::nullopt;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

void secureWipe(Bytes& bytes) noexcept {
  if (bytes.empty()) return;
  volatile uint8_t* p = bytes.data();
  for (size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
}

}  // namespace platform
