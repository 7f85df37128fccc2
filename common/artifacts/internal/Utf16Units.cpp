#include "common/artifacts/internal/Utf16Units.h"

#include <cstdint>

namespace qor::internal {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct LeadRule {
  int length;  // bytes of the whole sequence; 0 for a byte that cannot lead
  uint8_t secondLow, secondHigh;
};

// Well-formed UTF-8 (Unicode table 3-7): the lead byte fixes the length and the range of the
// second byte; every later byte is 80..BF.
LeadRule ruleFor(uint8_t lead) {
  if (lead < 0x80) return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

void append(std::vector<char16_t>& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

std::vector<char16_t> utf16Units(std::string_view utf8) {
  std::vector<char16_t> out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    const LeadRule rule = ruleFor(lead);
    if (rule.length == 0) {
      append(out, kReplacement);
      ++i;
      continue;
    }
    char32_t c = rule.length == 1 ? lead : lead & (0xFF >> (rule.length + 1));
    size_t taken = 1;
    for (; taken < size_t(rule.length) && i + taken < utf8.size(); ++taken) {
      const auto next = static_cast<uint8_t>(utf8[i + taken]);
      const uint8_t low = taken == 1 ? rule.secondLow : 0x80;
      const uint8_t high = taken == 1 ? rule.secondHigh : 0xBF;
      if (next < low || next > high) break;
      c = c << 6 | (next & 0x3F);
    }
    // A sequence cut short is one replacement; the byte that broke it starts afresh.
    append(out, taken == size_t(rule.length) ? c : kReplacement);
    i += taken;
  }
  return out;
}

}  // namespace qor::internal
