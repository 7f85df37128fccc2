#include "platform/http/URLError.h"

namespace platform {

std::string urlErrorDescription(int64_t code) {
  switch (code) {
    case kURLErrorCancelled: return "cancelled";
    case kURLErrorBadURL: return "unsupported URL";
    case kURLErrorTimedOut: return "The request timed out.";
    case kURLErrorUnsupportedURL: return "unsupported URL";
    case kURLErrorCannotFindHost: return "A server with the specified hostname could not be found.";
    case kURLErrorCannotConnectToHost: return "Could not connect to the server.";
    case kURLErrorNetworkConnectionLost: return "The network connection was lost.";
    case kURLErrorNotConnectedToInternet: return "The Internet connection appears to be offline.";
    case kURLErrorBadServerResponse: return "The server returned a bad response.";
    case kURLErrorCannotDecodeContentData: return "The data could not be decoded.";
    case kURLErrorCannotParseResponse: return "The data couldn't be read because it isn't in the correct format.";
    case kURLErrorSecureConnectionFailed:
      return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case kURLErrorServerCertificateHasBadDate: return "The certificate for this server has expired.";
    case kURLErrorServerCertificateUntrusted: return "The certificate for this server is invalid.";
    case kURLErrorServerCertificateHasUnknownRoot: return "The certificate for this server was signed by an unknown certifying authority.";
    case kURLErrorServerCertificateNotYetValid: return "The certificate for this server is not yet valid.";
    default: return "An unknown error occurred.";
  }
}

Error urlError(int64_t code, const std::string& detail) {
  nlohmann::json info = {{kLocalizedDescriptionKey, urlErrorDescription(code)}};
  if (!detail.empty()) info["detail"] = detail;
  return Error::make(kURLErrorDomain, code, std::move(info));
}

}  // namespace platform
