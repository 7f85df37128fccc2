#include "platform/security/SecPolicy.h"

namespace platform {

std::shared_ptr<SecPolicy> SecPolicy::createSSL(bool server, std::optional<std::string> hostname) {
  return std::shared_ptr<SecPolicy>(new SecPolicy(true, server, std::move(hostname)));
}

std::shared_ptr<SecPolicy> SecPolicy::createBasicX509() {
  return std::shared_ptr<SecPolicy>(new SecPolicy(false, false, std::nullopt));
}

}  // namespace platform
