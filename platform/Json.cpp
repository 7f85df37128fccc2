#include "platform/Json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

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

// Builds the value as the parser reads it and stops the parse at the first container nested too
// deep, so the text is read once. Duplicate names keep the last value, as nlohmann's reader does.
class DepthLimitedBuilder {
 public:
  explicit DepthLimitedBuilder(Json& root) : root_(root) {}

  bool null() { return place(nullptr); }
  bool boolean(bool value) { return place(value); }
  bool number_integer(Json::number_integer_t value) { return place(value); }
  bool number_unsigned(Json::number_unsigned_t value) { return place(value); }
  bool number_float(Json::number_float_t value, const Json::string_t&) { return place(value); }
  bool string(Json::string_t& value) { return place(std::move(value)); }
  bool binary(Json::binary_t&) { return false; }
  bool start_object(std::size_t) { return open(Json::object()); }
  bool key(Json::string_t& name) {
    member_ = &(*open_.back())[std::move(name)];
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_array() { return close(); }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception&) {
    return false;
  }

 private:
  // Puts the value where the parser is; pointers to open containers stay valid, since nothing is
  // added to a container's parent while the container is open.
  Json* put(Json&& value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    *member_ = std::move(value);
    return member_;
  }
  bool place(Json&& value) {
    put(std::move(value));
    return true;
  }
  bool open(Json&& container) {
    if (open_.size() == kMaxNestingDepth) return false;
    open_.push_back(put(std::move(container)));
    return true;
  }
  bool close() {
    open_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Json*> open_;
  Json* member_ = nullptr;
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

template <class Input>
std::optional<Json> parseContainer(Input&& begin, Input&& end) {
  Json parsed;
  DepthLimitedBuilder builder(parsed);
  if (!Json::sax_parse(std::forward<Input>(begin), std::forward<Input>(end), &builder)) return std::nullopt;
  if (!(parsed.is_object() || parsed.is_array())) return std::nullopt;
  return parsed;
}

}  // namespace

bool isValidJSONObject(const Json& value) {
  return (value.is_object() || value.is_array()) && validValue(value);
}

std::optional<std::string> stringWithJSONObject(const Json& value) { return writeContainer<std::string>(value); }

OptBytes dataWithJSONObject(const Json& value) { return writeContainer<Bytes>(value); }

std::optional<Json> JSONObjectWithString(const std::string& text) { return parseContainer(text.begin(), text.end()); }

std::optional<Json> JSONObjectWithData(const Bytes& data) { return parseContainer(data.begin(), data.end()); }

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
