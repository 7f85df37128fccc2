// Reads arbitrary bytes with the platform's reader and with nlohmann's own parser, checked the way
// the platform checked it before it had a reader of its own (at most 512 open containers, an object
// or an array at the top). Both must accept the same texts and give the same values, down to the
// JSON type of every number.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Json.h"

namespace {

using platform::Json;

#define QOR_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) abort();    \
  } while (0)

constexpr size_t kMaxNestingDepth = 512;

// Whether the containers of `value` nest deeper than `allowed`; stops once they do, so it recurses
// at most one level past the limit.
bool nestsDeeper(const Json& value, size_t allowed) {
  if (!value.is_structured()) return false;
  if (allowed == 0) return true;
  for (const auto& element : value) {
    if (nestsDeeper(element, allowed - 1)) return true;
  }
  return false;
}

std::optional<Json> reference(const uint8_t* data, size_t size) {
  Json parsed = Json::parse(data, data + size, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_structured() || nestsDeeper(parsed, kMaxNestingDepth)) return std::nullopt;
  return parsed;
}

bool sameTypes(const Json& a, const Json& b) {
  if (a.type() != b.type() || a.size() != b.size()) return false;
  if (a.is_object()) {
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
      if (i.key() != j.key() || !sameTypes(*i, *j)) return false;
    }
  } else if (a.is_array()) {
    for (size_t i = 0; i < a.size(); ++i) {
      if (!sameTypes(a[i], b[i])) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto read = platform::JSONObjectWithData(platform::Bytes(data, data + size));
  const auto expected = reference(data, size);
  QOR_FUZZ_CHECK(read.has_value() == expected.has_value());
  QOR_FUZZ_CHECK(platform::JSONObjectWithString(std::string(data, data + size)) == read);
  if (!read) return 0;
  QOR_FUZZ_CHECK(read->dump() == expected->dump());
  QOR_FUZZ_CHECK(sameTypes(*read, *expected));
  return 0;
}
