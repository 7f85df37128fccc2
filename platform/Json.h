// JSON values and their text, the way the system writes and reads its messages: plain serialisation
// with no options (compact, a top-level object or array, string keys). nlohmann::json keeps booleans,
// integers and floats apart and 64-bit integers exact.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"

namespace platform {

using Json = nlohmann::json;

// True when the value may be written: a top-level object or array whose numbers are all finite and
// whose texts are all valid UTF-8.
QOR_PLATFORM_EXPORT bool isValidJSONObject(const Json& value);

// Compact UTF-8 text of the value; nullopt when isValidJSONObject fails.
QOR_PLATFORM_EXPORT OptBytes dataWithJSONObject(const Json& value);
QOR_PLATFORM_EXPORT std::optional<std::string> stringWithJSONObject(const Json& value);

// Parses text whose top level is an object or an array; nullopt for anything else (malformed text,
// invalid UTF-8, a bare scalar, trailing garbage, nesting deeper than 512 levels).
QOR_PLATFORM_EXPORT std::optional<Json> JSONObjectWithData(const Bytes& data);
QOR_PLATFORM_EXPORT std::optional<Json> JSONObjectWithString(const std::string& text);

// Typed member reads that treat a missing member or one of another JSON type as absent.
QOR_PLATFORM_EXPORT const Json* member(const Json& object, const char* key);
QOR_PLATFORM_EXPORT std::optional<std::string> stringMember(const Json& object, const char* key);

}  // namespace platform
