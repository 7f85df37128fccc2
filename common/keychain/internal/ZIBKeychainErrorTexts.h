// The keychain wrapper's error texts: a text key for each status, and an English text for each key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor::keychain {

// The text key of a non-zero status; "errSecDefault" for a status the table does not list.
const char* textKeyForStatus(int32_t status);
// The text for a key; nullopt for a key without one.
std::optional<std::string> textForKey(std::string_view key);

}  // namespace qor::keychain
