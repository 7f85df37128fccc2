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
  // Sized for the most the text can hold and cut to what it held: no growth on the way.
  Bytes out(text.size() / 4 * 3 + 3);
  size_t written = 0;
  uint32_t group = 0;
  int inGroup = 0;   // significant characters of the current group
  int padding = 0;   // '=' seen so far; once non-zero only '=' may follow
  const auto* c = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = c + text.size();
  while (c != end) {
    // Keys and sealed bodies are long runs of whole groups: four characters at a time while
    // all four are of the alphabet.
    if (inGroup == 0 && padding == 0 && end - c >= 4) {
      const int a = kReverse[c[0]], b = kReverse[c[1]], d = kReverse[c[2]], e = kReverse[c[3]];
      if ((a | b | d | e) >= 0) {
        const uint32_t v = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(d) << 6 | uint32_t(e);
        out[written++] = static_cast<uint8_t>(v >> 16);
        out[written++] = static_cast<uint8_t>(v >> 8);
        out[written++] = static_cast<uint8_t>(v);
        c += 4;
        continue;
      }
    }
    const unsigned char ch = *c++;
    if (ch == '=') {
      // Padding can only fill the third and fourth places of a group.
      if (inGroup < 2) return std::nullopt;
      ++padding;
      ++inGroup;
      if (padding > 2) return std::nullopt;
    } else {
      int v = kReverse[ch];
      if (v < 0) continue;
      if (padding > 0) return std::nullopt;
      group = group << 6 | uint32_t(v);
      ++inGroup;
    }
    if (inGroup == 4) {
      group <<= 6 * padding;
      out[written++] = static_cast<uint8_t>(group >> 16);
      if (padding < 2) out[written++] = static_cast<uint8_t>(group >> 8);
      if (padding < 1) out[written++] = static_cast<uint8_t>(group);
      group = 0;
      inGroup = 0;
      if (padding > 0) padding = 3;  // the group that held padding was the last one
    }
  }
  if (inGroup != 0) return std::nullopt;
  out.resize(written);
  return out;
}

}  // namespace platform
