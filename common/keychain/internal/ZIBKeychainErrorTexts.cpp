#include "common/keychain/internal/ZIBKeychainErrorTexts.h"

#include "common/keychain/ZIBKeychainKeys.h"
#include "platform/keychain/KeychainStatus.h"

namespace qor::keychain {
namespace {

struct Entry {
  int32_t status;
  const char* key;
  const char* text;
};

constexpr Entry kEntries[] = {
    {ZIBKeychainErrorBadArguments, "ZIBKeychainErrorBadArguments", "The service, account or secret is missing."},
    {platform::errSecUnimplemented, "errSecUnimplemented", "The keychain does not implement this operation."},
    {platform::errSecParam, "errSecParam", "A parameter passed to the keychain is not valid."},
    {platform::errSecAllocate, "errSecAllocate", "The keychain could not allocate memory."},
    {platform::errSecNotAvailable, "errSecNotAvailable", "No keychain is available."},
    {platform::errSecAuthFailed, "errSecAuthFailed", "The keychain refused the credentials."},
    {platform::errSecDuplicateItem, "errSecDuplicateItem", "The item already exists in the keychain."},
    {platform::errSecItemNotFound, "errSecItemNotFound", "The item could not be found in the keychain."},
    {platform::errSecInteractionNotAllowed, "errSecInteractionNotAllowed",
     "The keychain cannot be used now; try again later."},
    {platform::errSecDecode, "errSecDecode", "The keychain could not decode its data."},
};

constexpr const char* kDefaultKey = "errSecDefault";
constexpr const char* kDefaultText = "The keychain reported an error.";

}  // namespace

const char* textKeyForStatus(int32_t status) {
  for (const auto& e : kEntries) {
    if (e.status == status) return e.key;
  }
  return kDefaultKey;
}

std::optional<std::string> textForKey(std::string_view key) {
  if (key == kDefaultKey) return kDefaultText;
  for (const auto& e : kEntries) {
    if (key == e.key) return e.text;
  }
  return std::nullopt;
}

}  // namespace qor::keychain
