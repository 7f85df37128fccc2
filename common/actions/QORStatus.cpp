#include "common/actions/QORStatus.h"

namespace qor {
namespace {

constexpr std::array<const char*, kQORStatusNameCount> makeStatusNames() {
  std::array<const char*, kQORStatusNameCount> names{};
  names[QORStatusUndefined] = "UNDEFINED";
  names[QORStatusSuccess] = "SUCCESS";
  names[QORStatusNoInternetConnection] = "NO_INTERNET_CONNECTION";
  names[QORStatusServerTimeout] = "SERVER_TIMEOUT";
  names[QORStatusExpiredTransaction] = "EXPIRED_TRANSACTION";
  names[QORStatusInternalCommonError] = "INTERNAL_COMMON_ERROR";
  names[QORStatusInternalLogicError] = "INTERNAL_LOGIC_ERROR";
  names[QORStatusNotEnrolled] = "NOT_ENROLLED";
  names[QORStatusNoApnsToken] = "NO_APNS_TOKEN";
  names[QORStatusHasActiveSession] = "HAS_ACTIVE_SESSION";
  names[QORStatusSensitiveDataDecryptionError] = "SENSITIVE_DATA_DECRYPTION_ERROR";
  return names;
}

}  // namespace

// Built at compile time, so nothing runs at load.
constinit const std::array<const char*, kQORStatusNameCount> StatusToString = makeStatusNames();

}  // namespace qor
