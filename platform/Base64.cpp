#include "platform/Base64.h"

#include <array>

namespace platform {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> makeReverse() {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}
constexpr auto kReverse = makeReverse();

}  // namespace

std::string base64Encode(const Bytes& data) {
  std::string out((data.size() + 2) / 3 * 4, '\0');
  char* o = out.data();
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    uint32_t v = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
    *o++ = kAlphabet[v >> 18 & 63];
    *o++ = kAlphabet[v >> 12 & 63];
    *o++ = kAlphabet[v >> 6 & 63];
    *o++ = kAlphabet[v & 63];
  }
  if (size_t rest = data.size() - i; rest > 0) {
    uint32_t v = uint32_t(data[i]) << 16 | (rest == 2 ? uint32_t(data[i + 1]) << 8 : 0);
    *o++ = kAlphabet[v >> 18 & 63];
    *o++ = kAlphabet[v >> 12 & 63];
    *o++ = rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
    *o++ = '=';
  }
  return out;
}

OptBytes base64Decode(std::string_view text) {
  Bytes out;
  out.reserve(text.size() / 4 * 3);
  uint32_t group = 0;
  int inGroup = 0;   // significant characters of the current group
  int padding = 0;   // '=' seen so far; once non-zero only '=' may follow
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '=') {
      // Padding can only fill the third and fourth places of a group.
      if (inGroup < 2) return std::nullopt;
      ++padding;
      ++inGroup;
      if (padding > 2) return std::nullopt;
    } else {
      int v = kReverse[c];
      if (v < 0) continue;
      if (padding > 0) return std::nullopt;
      group = group << 6 | uint32_t(v);
      ++inGroup;
    }
    if (inGroup == 4) {
      group <<= 6 * padding;
      out.push_back(static_cast<uint8_t>(group >> 16));
      if (padding < 2) out.push_back(static_cast<uint8_t>(group >> 8));
      if (padding < 1) out.push_back(static_cast<uint8_t>(group));
      group = 0;
      inGroup = 0;
      if (padding > 0) padding = 3;  // the group that held padding was the last one
    }
  }
  if (inGroup != 0) return std::nullopt;
  return out;
}

}  // namespace platform
