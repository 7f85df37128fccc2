#include "common/websocket/http/HTTPWSHeader.h"

#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/URLParts.h"
#include "platform/Base64.h"
#include "platform/Random.h"
#include "platform/http/HTTPCookie.h"
#include "platform/http/HTTPCookieStorage.h"

namespace qor {

namespace {

constexpr int kKeyLetters = 16;
// Bytes whose product with 26 has a low byte below this would make some letters likelier.
constexpr unsigned kRejectBelow = 256 % 26;

std::string origin(const platform::URL& url) {
  if (!url.authority()) return url.absoluteString();
  return url.scheme() + "://" + *url.authority();
}

std::string hostField(const URLParts& parts) {
  // An IPv6 literal keeps its brackets, or its colons would read as the port's.
  const bool ipv6 = parts.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + parts.host + "]" : parts.host) + ":" + std::to_string(parts.port);
}

}  // namespace

std::string HTTPWSHeader::generateWebSocketKey() {
  platform::Bytes letters;
  while (letters.size() < kKeyLetters) {
    auto random = platform::secureRandomBytes(kKeyLetters);
    if (!random) return {};
    for (uint8_t x : *random) {
      const unsigned m = x * 26u;
      if ((m & 0xFF) < kRejectBelow) continue;
      if (letters.size() < kKeyLetters) letters.push_back(static_cast<uint8_t>('a' + (m >> 8)));
    }
  }
  return platform::base64Encode(letters);
}

platform::URLRequest HTTPWSHeader::createUpgrade(const platform::URLRequest& request, bool supportsCompression,
                                                 const std::string& secKeyValue) {
  platform::URLRequest upgrade = request;
  if (!request.url()) return upgrade;
  const auto parts = getParts(*request.url());
  if (!parts) return upgrade;
  const platform::URL& url = *request.url();

  if (!upgrade.value("Origin")) upgrade.setValue(origin(url), "Origin");
  upgrade.setValue("websocket", "Upgrade");
  upgrade.setValue("Upgrade", "Connection");
  upgrade.setValue("13", kHeaderWSVersion);
  upgrade.setValue(secKeyValue, kHeaderWSKey);
  const auto cookies = platform::HTTPCookieStorage::sharedHTTPCookieStorage()->cookiesForURL(url);
  for (const auto& [name, value] : platform::HTTPCookie::requestHeaderFieldsWithCookies(cookies)) {
    upgrade.setValue(value, name);
  }
  if (supportsCompression) {
    upgrade.setValue("permessage-deflate; client_max_window_bits; server_max_window_bits=15", kHeaderWSExtensions);
  }
  std::optional<std::string> callerHost;
  for (const auto& [name, value] : request.allHTTPHeaderFields()) {
    if (name == "Host") callerHost = value;
  }
  upgrade.setValue(callerHost.value_or(hostField(*parts)), "Host");
  return upgrade;
}

}  // namespace qor
