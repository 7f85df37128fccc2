#include "platform/http/internal/Curl.h"

#include <openssl/x509_vfy.h>

#include <cerrno>
#include <mutex>

#include "platform/http/URLError.h"

namespace platform::http {

void ensureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool CurlHeaderList::append(const std::string& line) {
  curl_slist* grown = curl_slist_append(list_, line.c_str());
  if (!grown) return false;
  list_ = grown;
  return true;
}

long CurlEasy::responseCode() const {
  long code = 0;
  curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
  return code;
}

std::string CurlEasy::effectiveURL() const {
  char* url = nullptr;
  curl_easy_getinfo(handle_, CURLINFO_EFFECTIVE_URL, &url);
  return url ? std::string(url) : std::string();
}

long CurlEasy::osErrno() const {
  long value = 0;
  curl_easy_getinfo(handle_, CURLINFO_OS_ERRNO, &value);
  return value;
}

long CurlEasy::sslVerifyResult() const {
  long value = 0;
  curl_easy_getinfo(handle_, CURLINFO_SSL_VERIFYRESULT, &value);
  return value;
}

CURLMcode CurlMulti::add(CURL* easy) {
  if (CURLMcode injected = injected_) return injected;
  return curl_multi_add_handle(handle_, easy);
}

CURLMcode CurlMulti::perform(int& running) {
  if (CURLMcode injected = injected_) return injected;
  return curl_multi_perform(handle_, &running);
}

CURLMcode CurlMulti::poll(int timeoutMs) {
  if (CURLMcode injected = injected_) return injected;
  return curl_multi_poll(handle_, nullptr, 0, timeoutMs, nullptr);
}

Error urlErrorFor(CURLMcode result) {
  // Unknown, so status 0 at the action: not "no connection" (-1009) or a time-out (-1001), which
  // the actions report apart, since a broken transfer loop is neither.
  return urlError(kURLErrorUnknown, std::string("the transfer loop failed: ") + curl_multi_strerror(result));
}

int64_t urlErrorCodeFor(CURLcode result, long osErrno, long verifyResult) {
  switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
      return kURLErrorTimedOut;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kURLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
      if (osErrno == ENETUNREACH || osErrno == ENETDOWN) return kURLErrorNotConnectedToInternet;
      return kURLErrorCannotConnectToHost;
    case CURLE_URL_MALFORMAT:
      return kURLErrorBadURL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return kURLErrorUnsupportedURL;
    case CURLE_PEER_FAILED_VERIFICATION:
      if (verifyResult == X509_V_ERR_CERT_HAS_EXPIRED) return kURLErrorServerCertificateHasBadDate;
      if (verifyResult == X509_V_ERR_CERT_NOT_YET_VALID) return kURLErrorServerCertificateNotYetValid;
      return kURLErrorServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
      return kURLErrorSecureConnectionFailed;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
      return kURLErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
      return kURLErrorBadServerResponse;
    case CURLE_BAD_CONTENT_ENCODING:
      return kURLErrorCannotDecodeContentData;
    case CURLE_ABORTED_BY_CALLBACK:
      return kURLErrorCancelled;
    default:
      return kURLErrorUnknown;
  }
}

}  // namespace platform::http
