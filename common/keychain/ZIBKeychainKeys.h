// Exported names of the keychain wrapper: the keys of the attribute dictionaries that
// ZIBKeychain::accountsForService returns (the platform's attribute names), its error domain and
// its own error code.
#pragma once

#include <cstdint>

namespace qor {

extern const char* const kZIBKeychainAccountKey;       // "acct"
extern const char* const kZIBKeychainCreatedAtKey;     // "cdat"
extern const char* const kZIBKeychainClassKey;         // "labl"
extern const char* const kZIBKeychainDescriptionKey;   // "desc"
extern const char* const kZIBKeychainLabelKey;         // "labl"
extern const char* const kZIBKeychainLastModifiedKey;  // "mdat"
extern const char* const kZIBKeychainWhereKey;         // "svce"

extern const char* const kZIBKeychainErrorDomain;

// Service, account or secret missing; such a call never reaches the keychain.
inline constexpr int32_t ZIBKeychainErrorBadArguments = -1001;

}  // namespace qor
