#include "platform/UUID.h"

#include <array>
#include <random>

#include "platform/Random.h"

namespace platform {

std::string uuidString() {
  std::array<uint8_t, 16> bytes{};
  if (!secureRandomFill(bytes.data(), bytes.size())) {
    // The OS generator failed; std::random_device still reads the kernel's source on Linux, and an
    // identifier (unlike a key) must not come out all zero.
    std::random_device device;
    for (auto& b : bytes) b = static_cast<uint8_t>(device());
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 10xx
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

}  // namespace platform
