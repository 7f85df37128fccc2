// The process-wide cookie store. Thread-safe: every method may be called from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/URL.h"
#include "platform/http/HTTPCookie.h"

namespace platform {

class QOR_PLATFORM_EXPORT HTTPCookieStorage {
 public:
  static std::shared_ptr<HTTPCookieStorage> sharedHTTPCookieStorage();
  // A store of its own (tests).
  static std::shared_ptr<HTTPCookieStorage> create();

  // Replaces a cookie of the same name, domain and path (keeping its creation date); an expired
  // cookie only removes that one.
  void setCookie(const HTTPCookie& cookie);
  void setCookies(const std::vector<HTTPCookie>& cookies);
  // Unexpired cookies that match the URL, longer paths first, then older first (RFC 6265, 5.4).
  std::vector<HTTPCookie> cookiesForURL(const URL& url) const;
  std::vector<HTTPCookie> cookies() const;
  void deleteCookie(const HTTPCookie& cookie);
  void removeAllCookies();

 private:
  HTTPCookieStorage() = default;

  mutable std::mutex mutex_;
  std::vector<HTTPCookie> cookies_;
};

}  // namespace platform
