// The platform's URL-loading errors: domain "NSURLErrorDomain" and its negative codes. The session
// turns every libcurl failure into one of these, so callers (and the server task's mapping to
// status codes) see the codes the system was written against.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Error.h"
#include "platform/QORPlatformExport.h"

namespace platform {

inline constexpr const char* kURLErrorDomain = "NSURLErrorDomain";

enum URLErrorCode : int64_t {
  kURLErrorUnknown = -1,
  kURLErrorCancelled = -999,
  kURLErrorBadURL = -1000,
  kURLErrorTimedOut = -1001,
  kURLErrorUnsupportedURL = -1002,
  kURLErrorCannotFindHost = -1003,
  kURLErrorCannotConnectToHost = -1004,
  kURLErrorNetworkConnectionLost = -1005,
  kURLErrorNotConnectedToInternet = -1009,
  kURLErrorBadServerResponse = -1011,
  kURLErrorCannotDecodeContentData = -1016,
  kURLErrorCannotParseResponse = -1017,
  kURLErrorSecureConnectionFailed = -1200,
  kURLErrorServerCertificateHasBadDate = -1201,
  kURLErrorServerCertificateUntrusted = -1202,
  kURLErrorServerCertificateHasUnknownRoot = -1203,
  kURLErrorServerCertificateNotYetValid = -1204,
};

// An error of the URL domain with the platform's description of the code; `detail` (the library's
// own words) goes under "detail" for logs.
QOR_PLATFORM_EXPORT Error urlError(int64_t code, const std::string& detail = {});

// The platform's description of a URL error code ("The request timed out.").
std::string urlErrorDescription(int64_t code);

}  // namespace platform
