#include "platform/http/HTTPCookieStorage.h"

#include <algorithm>

namespace platform {

namespace {
bool sameCookie(const HTTPCookie& a, const HTTPCookie& b) {
  return a.name == b.name && a.domain == b.domain && a.path == b.path;
}
}  // namespace

std::shared_ptr<HTTPCookieStorage> HTTPCookieStorage::sharedHTTPCookieStorage() {
  static const std::shared_ptr<HTTPCookieStorage> shared(new HTTPCookieStorage());
  return shared;
}

std::shared_ptr<HTTPCookieStorage> HTTPCookieStorage::create() {
  return std::shared_ptr<HTTPCookieStorage>(new HTTPCookieStorage());
}

void HTTPCookieStorage::setCookie(const HTTPCookie& cookie) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(cookies_.begin(), cookies_.end(), [&](const HTTPCookie& c) { return sameCookie(c, cookie); });
  if (cookie.isExpired(Clock::wallNow())) {
    if (it != cookies_.end()) cookies_.erase(it);
    return;
  }
  if (it == cookies_.end()) {
    cookies_.push_back(cookie);
  } else {
    const WallTime created = it->creationDate;
    *it = cookie;
    it->creationDate = created;
  }
}

void HTTPCookieStorage::setCookies(const std::vector<HTTPCookie>& cookies) {
  for (const auto& c : cookies) setCookie(c);
}

std::vector<HTTPCookie> HTTPCookieStorage::cookiesForURL(const URL& url) const {
  const WallTime now = Clock::wallNow();
  std::vector<HTTPCookie> out;
  {
    std::lock_guard lock(mutex_);
    for (const auto& c : cookies_) {
      if (!c.isExpired(now) && c.matches(url)) out.push_back(c);
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const HTTPCookie& a, const HTTPCookie& b) {
    if (a.path.size() != b.path.size()) return a.path.size() > b.path.size();
    return a.creationDate < b.creationDate;
  });
  return out;
}

std::vector<HTTPCookie> HTTPCookieStorage::cookies() const {
  std::lock_guard lock(mutex_);
  return cookies_;
}

void HTTPCookieStorage::deleteCookie(const HTTPCookie& cookie) {
  std::lock_guard lock(mutex_);
  std::erase_if(cookies_, [&](const HTTPCookie& c) { return sameCookie(c, cookie); });
}

void HTTPCookieStorage::removeAllCookies() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}

}  // namespace platform
