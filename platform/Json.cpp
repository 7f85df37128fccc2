#include "platform/Json.h"

#include <locale.h>
#include <stdlib.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/Utf16.h"

namespace platform {
namespace {

bool validValue(const Json& v) {
  switch (v.type()) {
    case Json::value_t::number_float:
      return std::isfinite(v.get<double>());
    case Json::value_t::string:
      return isValidUtf8(v.get_ref<const std::string&>());
    case Json::value_t::array:
      for (const auto& e : v) {
        if (!validValue(e)) return false;
      }
      return true;
    case Json::value_t::object:
      for (const auto& [k, e] : v.items()) {
        if (!isValidUtf8(k) || !validValue(e)) return false;
      }
      return true;
    case Json::value_t::discarded:
    case Json::value_t::binary:
      return false;
    default:
      return true;
  }
}

// As deep as the platform's reader goes. Text from the network nested deeper than the stack allows
// would crash the first copy or write of the value.
constexpr size_t kMaxNestingDepth = 512;

// Reads the text in one pass, building the value in place: accepts exactly what nlohmann 3.11.2's
// strict parser accepts and gives the same values, which stored data and peers rely on, without its
// per-character token buffers. Open containers live on a fixed stack, so hostile nesting cannot
// exhaust the thread's stack.
class Reader {
 public:
  Reader(const uint8_t* begin, const uint8_t* end) : p_(begin), end_(end) {}

  std::optional<Json> readContainer() {
    // nlohmann skips a byte order mark at the very start, and only a complete one.
    if (p_ != end_ && *p_ == 0xEF) {
      if (end_ - p_ < 3 || p_[1] != 0xBB || p_[2] != 0xBF) return std::nullopt;
      p_ += 3;
    }
    skipWhitespace();
    if (p_ == end_ || (*p_ != '{' && *p_ != '[')) return std::nullopt;
    Json root;
    if (!readValue(root)) return std::nullopt;
    skipWhitespace();
    // nlohmann's lexer takes a NUL byte for the end of the input, so whatever follows one is ignored.
    if (p_ != end_ && *p_ != '\0') return std::nullopt;
    return root;
  }

 private:
  bool readValue(Json& root) {
    // The open containers, innermost last, where the values read next belong.
    Json* open[kMaxNestingDepth];
    size_t depth = 0;
    Json* slot = &root;
    for (;;) {
      skipWhitespace();
      if (p_ == end_) return false;
      const uint8_t c = *p_;
      if (c == '{' || c == '[') {
        if (depth == kMaxNestingDepth) return false;
        ++p_;
        const bool object = c == '{';
        *slot = Json(object ? Json::value_t::object : Json::value_t::array);
        open[depth++] = slot;
        skipWhitespace();
        if (p_ != end_ && *p_ == (object ? '}' : ']')) {
          ++p_;
          --depth;
        } else {
          slot = nextSlot(*slot);
          if (!slot) return false;
          continue;
        }
      } else if (!readScalar(*slot)) {
        return false;
      }
      // The value is complete: close the containers it completes, up to one that goes on.
      for (;;) {
        if (depth == 0) return true;
        Json& top = *open[depth - 1];
        skipWhitespace();
        if (p_ == end_) return false;
        if (*p_ == ',') {
          ++p_;
          slot = nextSlot(top);
          if (!slot) return false;
          break;
        }
        if (*p_ != (top.is_object() ? '}' : ']')) return false;
        ++p_;
        --depth;
      }
    }
  }

  // Where the container's next value goes: a new element, or the member named next (a name read
  // again keeps the last value, as nlohmann does). Elements do not move while the element is open,
  // since nothing is added to an array before its last element is complete.
  Json* nextSlot(Json& container) {
    if (container.is_array()) return &container.get_ref<Json::array_t&>().emplace_back();
    skipWhitespace();
    if (p_ == end_ || *p_ != '"') return nullptr;
    std::optional<std::string> name = readString();
    if (!name) return nullptr;
    skipWhitespace();
    if (p_ == end_ || *p_ != ':') return nullptr;
    ++p_;
    return &container.get_ref<Json::object_t&>()[*std::move(name)];
  }

  bool readScalar(Json& slot) {
    switch (*p_) {
      case '"': {
        std::optional<std::string> text = readString();
        if (!text) return false;
        slot = *std::move(text);
        return true;
      }
      case 't':
        return readLiteral("true", true, slot);
      case 'f':
        return readLiteral("false", false, slot);
      case 'n':
        return readLiteral("null", nullptr, slot);
      default:
        return readNumber(slot);
    }
  }

  template <class Value>
  bool readLiteral(std::string_view word, Value value, Json& slot) {
    if (static_cast<size_t>(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0) return false;
    p_ += word.size();
    slot = value;
    return true;
  }

  // Numbers typed as nlohmann types them: an integer that fits stays exact (unsigned without a sign),
  // anything else is the correctly rounded double, and a non-finite one fails the parse.
  bool readNumber(Json& slot) {
    const uint8_t* const start = p_;
    if (*p_ == '-') ++p_;
    if (p_ == end_ || !isDigit(*p_)) return false;
    if (*p_++ != '0') skipDigits();
    bool integer = true;
    if (p_ != end_ && *p_ == '.') {
      ++p_;
      if (p_ == end_ || !isDigit(*p_)) return false;
      skipDigits();
      integer = false;
    }
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
      ++p_;
      if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
      if (p_ == end_ || !isDigit(*p_)) return false;
      skipDigits();
      integer = false;
    }
    const auto* first = reinterpret_cast<const char*>(start);
    const auto* last = reinterpret_cast<const char*>(p_);
    if (integer && (*start == '-' ? readInteger<Json::number_integer_t>(first, last, slot)
                                  : readInteger<Json::number_unsigned_t>(first, last, slot))) {
      return true;
    }
    const double value = parseDouble(first, last);
    if (!std::isfinite(value)) return false;
    slot = value;
    return true;
  }

  // False when the integer does not fit the type.
  template <class Integer>
  static bool readInteger(const char* first, const char* last, Json& slot) {
    Integer value;
    if (std::from_chars(first, last, value).ec != std::errc()) return false;
    slot = value;
    return true;
  }

  // strtod's rounding and underflow, independent of the process locale.
  static double parseDouble(const char* first, const char* last) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const auto length = static_cast<size_t>(last - first);
    char small[64];
    std::string large;
    char* text = small;
    if (length >= sizeof small) {
      large.assign(first, length);
      text = large.data();
    } else {
      std::memcpy(small, first, length);
      small[length] = '\0';
    }
    return strtod_l(text, nullptr, cLocale);
  }

  // Reads the string at the opening quote: the bytes up to the closing quote are checked and
  // measured first, then the text is made once at its final size.
  std::optional<std::string> readString() {
    const uint8_t* const begin = ++p_;
    size_t length = 0;
    bool escaped = false;
    bool nonAscii = false;
    for (;;) {
      const uint8_t* const run = p_;
      while (p_ != end_ && kPlain[*p_]) ++p_;
      length += static_cast<size_t>(p_ - run);
      if (p_ == end_) return std::nullopt;
      const uint8_t c = *p_;
      if (c == '"') break;
      if (c < 0x20) return std::nullopt;
      if (c == '\\') {
        char32_t code = 0;
        const size_t consumed = readEscape(p_, code);
        if (consumed == 0) return std::nullopt;
        p_ += consumed;
        length += utf8Length(code);
        escaped = true;
      } else {
        nonAscii = true;
        ++p_;
        ++length;
      }
    }
    // Escapes are ASCII and decode to whole sequences, so checking the raw bytes checks the text.
    if (nonAscii && !isValidUtf8(std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(p_ - begin)))) {
      return std::nullopt;
    }
    const uint8_t* const close = p_++;
    if (!escaped) return std::string(reinterpret_cast<const char*>(begin), length);
    std::string out(length, '\0');
    char* to = out.data();
    for (const uint8_t* from = begin; from != close;) {
      const auto* backslash = static_cast<const uint8_t*>(std::memchr(from, '\\', static_cast<size_t>(close - from)));
      const uint8_t* runEnd = backslash ? backslash : close;
      std::memcpy(to, from, static_cast<size_t>(runEnd - from));
      to += runEnd - from;
      from = runEnd;
      if (backslash) {
        char32_t code = 0;
        from += readEscape(from, code);
        to = writeUtf8(code, to);
      }
    }
    return out;
  }

  // Bytes that stand for themselves in a string with no check: printable ASCII but the quote and the
  // backslash.
  static constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
    return plain;
  }();

  // The escape at `at` (its backslash): its code point and how many bytes it takes, a surrogate
  // pair being one escape; 0 when it is malformed.
  size_t readEscape(const uint8_t* at, char32_t& code) const {
    if (end_ - at < 2) return 0;
    switch (at[1]) {
      case '"': code = '"'; return 2;
      case '\\': code = '\\'; return 2;
      case '/': code = '/'; return 2;
      case 'b': code = '\b'; return 2;
      case 'f': code = '\f'; return 2;
      case 'n': code = '\n'; return 2;
      case 'r': code = '\r'; return 2;
      case 't': code = '\t'; return 2;
      case 'u': break;
      default: return 0;
    }
    const int high = hexQuad(at + 2);
    if (high < 0 || (high >= 0xDC00 && high <= 0xDFFF)) return 0;
    if (high < 0xD800 || high > 0xDBFF) {
      code = static_cast<char32_t>(high);
      return 6;
    }
    if (end_ - at < 8 || at[6] != '\\' || at[7] != 'u') return 0;
    const int low = hexQuad(at + 8);
    if (low < 0xDC00 || low > 0xDFFF) return 0;
    code = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
    return 12;
  }

  // The four hex digits at `at`, either case; -1 when there are fewer.
  int hexQuad(const uint8_t* at) const {
    if (end_ - at < 4) return -1;
    int value = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t c = at[i];
      int digit;
      if (isDigit(c)) {
        digit = c - '0';
      } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        digit = (c | 0x20) - 'a' + 10;
      } else {
        return -1;
      }
      value = value << 4 | digit;
    }
    return value;
  }

  static size_t utf8Length(char32_t code) { return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4; }

  static char* writeUtf8(char32_t code, char* to) {
    const size_t length = utf8Length(code);
    static constexpr uint8_t kLead[] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i, code >>= 6) to[i] = static_cast<char>(0x80 | (code & 0x3F));
    to[0] = static_cast<char>(kLead[length] | code);
    return to + length;
  }

  static bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

  void skipDigits() {
    while (p_ != end_ && isDigit(*p_)) ++p_;
  }

  void skipWhitespace() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

  const uint8_t* p_;
  const uint8_t* const end_;
};

// Writes the text of nlohmann's compact dump() straight into the output, checking the value on the
// way, so a message is walked once instead of checked, written to a string and copied. Texts of
// printable ASCII without a quote or backslash (names, Base64, numbers as text) need no escaping and
// are copied; every other text and every float is written by nlohmann itself, so escaping and the
// number format stay exactly its own.
template <class Out>
class CheckedWriter {
 public:
  explicit CheckedWriter(Out& out) : out_(out) {}

  bool write(const Json& v) {
    switch (v.type()) {
      case Json::value_t::object: {
        const auto& members = v.get_ref<const Json::object_t&>();
        put('{');
        bool first = true;
        for (const auto& [name, value] : members) {
          if (!first) put(',');
          first = false;
          if (!writeText(name)) return false;
          put(':');
          if (!write(value)) return false;
        }
        put('}');
        return true;
      }
      case Json::value_t::array: {
        const auto& elements = v.get_ref<const Json::array_t&>();
        put('[');
        bool first = true;
        for (const auto& element : elements) {
          if (!first) put(',');
          first = false;
          if (!write(element)) return false;
        }
        put(']');
        return true;
      }
      case Json::value_t::string:
        return writeText(v.get_ref<const std::string&>());
      case Json::value_t::boolean:
        append(v.get<bool>() ? std::string_view("true") : std::string_view("false"));
        return true;
      case Json::value_t::null:
        append("null");
        return true;
      case Json::value_t::number_integer:
        return writeInteger(v.get<Json::number_integer_t>());
      case Json::value_t::number_unsigned:
        return writeInteger(v.get<Json::number_unsigned_t>());
      case Json::value_t::number_float:
        if (!std::isfinite(v.get<double>())) return false;
        append(v.dump());
        return true;
      case Json::value_t::binary:
      case Json::value_t::discarded:
      default:
        return false;
    }
  }

 private:
  static bool isPlainChar(unsigned char c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; }

  // Eight characters at a time: no byte below 0x20 or above 0x7E, and no quote or backslash.
  static bool isPlainWord(uint64_t word) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    const auto hasZeroByte = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    const uint64_t below = (word - kOnes * 0x20) & ~word & kHighs;
    const uint64_t above = ((word + kOnes) | word) & kHighs;
    return !(below | above | hasZeroByte(word ^ (kOnes * '"')) | hasZeroByte(word ^ (kOnes * '\\')));
  }

  // Base64 and names make up most of a message's text, so the check runs over words.
  static bool isPlain(const std::string& text) {
    size_t i = 0;
    for (uint64_t word; text.size() - i >= sizeof word; i += sizeof word) {
      std::memcpy(&word, text.data() + i, sizeof word);
      if (!isPlainWord(word)) return false;
    }
    for (; i < text.size(); ++i) {
      if (!isPlainChar(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
  }

  bool writeText(const std::string& text) {
    if (isPlain(text)) {
      put('"');
      append(text);
      put('"');
      return true;
    }
    if (!isValidUtf8(text)) return false;
    append(Json(text).dump());
    return true;
  }

  template <class Integer>
  bool writeInteger(Integer value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append(std::string_view(digits, static_cast<size_t>(end - digits)));
    return true;
  }

  void put(char c) { out_.push_back(static_cast<typename Out::value_type>(c)); }
  // As the output's own element type, so the insert is one copy rather than a converting loop.
  void append(std::string_view text) {
    const auto* first = reinterpret_cast<const typename Out::value_type*>(text.data());
    out_.insert(out_.end(), first, first + text.size());
  }

  Out& out_;
};

template <class Out>
std::optional<Out> writeContainer(const Json& value) {
  if (!(value.is_object() || value.is_array())) return std::nullopt;
  Out out;
  out.reserve(256);
  if (!CheckedWriter<Out>(out).write(value)) return std::nullopt;
  return out;
}

std::optional<Json> parseContainer(const void* text, size_t size) {
  const auto* begin = static_cast<const uint8_t*>(text);
  return Reader(begin, begin + size).readContainer();
}

}  // namespace

bool isValidJSONObject(const Json& value) {
  return (value.is_object() || value.is_array()) && validValue(value);
}

std::optional<std::string> stringWithJSONObject(const Json& value) { return writeContainer<std::string>(value); }

OptBytes dataWithJSONObject(const Json& value) { return writeContainer<Bytes>(value); }

std::optional<Json> JSONObjectWithString(const std::string& text) { return parseContainer(text.data(), text.size()); }

std::optional<Json> JSONObjectWithData(const Bytes& data) { return parseContainer(data.data(), data.size()); }

const Json* member(const Json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> stringMember(const Json& object, const char* key) {
  const Json* v = member(object, key);
  if (!v || !v->is_string()) return std::nullopt;
  return v->get<std::string>();
}

}  // namespace platform
