// The one wrapper of libcurl: RAII owners of easy and multi handles and of header lists, and the
// translation of libcurl's results into the platform's URL error codes. Nothing else in the tree
// includes curl.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/Error.h"

namespace platform::http {

// curl_global_init, once per process, before the first handle.
void ensureCurlGlobalInit();

class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  ~CurlHeaderList() { curl_slist_free_all(list_); }
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;
  bool append(const std::string& line);
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

class CurlEasy {
 public:
  CurlEasy() : handle_(curl_easy_init()) {}
  ~CurlEasy() {
    if (handle_) curl_easy_cleanup(handle_);
  }
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;

  explicit operator bool() const { return handle_ != nullptr; }
  CURL* get() const { return handle_; }

  // False when any option is refused; the first refusal is kept in `failure()`.
  template <class T>
  bool set(CURLoption option, T value) {
    CURLcode rc = curl_easy_setopt(handle_, option, value);
    if (rc != CURLE_OK && failure_ == CURLE_OK) failure_ = rc;
    return rc == CURLE_OK;
  }
  CURLcode failure() const { return failure_; }
  // Forgets an earlier refusal, for a handle that serves another transfer.
  void clearFailure() { failure_ = CURLE_OK; }
  long responseCode() const;
  std::string effectiveURL() const;
  long osErrno() const;
  long sslVerifyResult() const;

 private:
  CURL* handle_;
  CURLcode failure_ = CURLE_OK;
};

// The multi handle of a session's loop. The calls the loop makes answer libcurl's CURLMcode; tests
// can make them fail (`injectFailure`) to show that a failing multi interface ends the transfers
// in flight instead of turning the loop into a spin.
class CurlMulti {
 public:
  CurlMulti() : handle_(curl_multi_init()) {}
  ~CurlMulti() {
    if (handle_) curl_multi_cleanup(handle_);
  }
  CurlMulti(const CurlMulti&) = delete;
  CurlMulti& operator=(const CurlMulti&) = delete;
  explicit operator bool() const { return handle_ != nullptr; }
  CURLM* get() const { return handle_; }

  CURLMcode add(CURL* easy);
  CURLMcode remove(CURL* easy) { return curl_multi_remove_handle(handle_, easy); }
  CURLMcode perform(int& running);
  CURLMcode poll(int timeoutMs);
  // Ends a poll from another thread; thread-safe, unlike the other calls.
  void wakeup() {
    if (handle_) curl_multi_wakeup(handle_);
  }
  // The next finished transfer, or nullptr.
  CURLMsg* infoRead() {
    int left = 0;
    return curl_multi_info_read(handle_, &left);
  }

  // Tests: from now on add, perform and poll fail with `code` without calling libcurl (CURLM_OK
  // lets them call it again). Thread-safe.
  void injectFailure(CURLMcode code) { injected_ = code; }

 private:
  CURLM* handle_;
  std::atomic<CURLMcode> injected_{CURLM_OK};
};

// The error that a failed multi call gives the transfers in flight: a transport failure of the
// URL domain, with libcurl's text.
Error urlErrorFor(CURLMcode result);

// The URL error code of a failed transfer. `osErrno` and `verifyResult` refine connect and
// certificate failures (refused against unreachable network, expired against untrusted).
int64_t urlErrorCodeFor(CURLcode result, long osErrno, long verifyResult);

}  // namespace platform::http
