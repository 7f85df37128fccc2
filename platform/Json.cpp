#include "platform/Json.h"

#include <cmath>
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

std::optional<std::string> stringWithJSONObject(const Json& value) {
  if (!isValidJSONObject(value)) return std::nullopt;
  return value.dump();
}

OptBytes dataWithJSONObject(const Json& value) {
  auto text = stringWithJSONObject(value);
  if (!text) return std::nullopt;
  return bytesFromString(*text);
}

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
