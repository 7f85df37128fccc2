#include "common/keychain/ZIBKeychainKeys.h"

namespace qor {

const char* const kZIBKeychainAccountKey = "acct";
const char* const kZIBKeychainCreatedAtKey = "cdat";
const char* const kZIBKeychainClassKey = "labl";
const char* const kZIBKeychainDescriptionKey = "desc";
const char* const kZIBKeychainLabelKey = "labl";
const char* const kZIBKeychainLastModifiedKey = "mdat";
const char* const kZIBKeychainWhereKey = "svce";

const char* const kZIBKeychainErrorDomain = "com.qor.ZIBKeychain";

}  // namespace qor
