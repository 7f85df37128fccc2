#include "platform/socket/NWListener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/socket/NetworkErrors.h"

namespace platform {

struct NWListener::Shared {
  int fd = -1;
  int wakeFd = -1;
  std::mutex mutex;
  NewConnectionHandler handler;
  std::shared_ptr<Queue> queue;
  bool started = false;
  bool cancelled = false;

  ~Shared() {
    if (fd >= 0) ::close(fd);
    if (wakeFd >= 0) ::close(wakeFd);
  }
};

namespace {

Error listenError(int code) { return Error::make(kNWErrorDomainPOSIX, code, {{kLocalizedDescriptionKey, std::strerror(code)}}); }

NWEndpoint endpointOf(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = {};
  uint16_t port = 0;
  if (address.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
    port = ntohs(a->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
    port = ntohs(a->sin6_port);
  }
  return {host, port};
}

}  // namespace

std::shared_ptr<NWListener> NWListener::create(const std::string& host, uint16_t port, std::optional<Error>* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  if (const int rc = ::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &list); rc != 0) {
    if (error) *error = Error::make(kNWErrorDomainDNS, rc, {{kLocalizedDescriptionKey, ::gai_strerror(rc)}});
    return nullptr;
  }
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> guard(list, ::freeaddrinfo);
  auto shared = std::make_shared<Shared>();
  int lastError = EADDRNOTAVAIL;
  for (addrinfo* ai = list; ai; ai = ai->ai_next) {
    const int fd = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, 128) == 0) {
      shared->fd = fd;
      break;
    }
    lastError = errno;
    ::close(fd);
  }
  if (shared->fd < 0) {
    if (error) *error = listenError(lastError);
    return nullptr;
  }
  shared->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(shared->fd, reinterpret_cast<sockaddr*>(&bound), &length);
  return std::shared_ptr<NWListener>(new NWListener(shared, endpointOf(bound).port));
}

NWListener::~NWListener() { cancel(); }

void NWListener::setNewConnectionHandler(NewConnectionHandler handler) {
  std::lock_guard lock(shared_->mutex);
  shared_->handler = std::move(handler);
}

void NWListener::start(std::shared_ptr<Queue> queue) {
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->started || shared_->cancelled || !queue) return;
    shared_->started = true;
    shared_->queue = std::move(queue);
  }
  std::thread([shared = shared_] { acceptLoop(shared); }).detach();
}

void NWListener::cancel() {
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->cancelled) return;
    shared_->cancelled = true;
    shared_->handler = nullptr;
  }
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(shared_->wakeFd, &one, sizeof one);
}

void NWListener::acceptLoop(std::shared_ptr<Shared> shared) {
  for (;;) {
    pollfd fds[2] = {{shared->fd, POLLIN, 0}, {shared->wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
    NewConnectionHandler handler;
    std::shared_ptr<Queue> queue;
    {
      std::lock_guard lock(shared->mutex);
      if (shared->cancelled) return;
      handler = shared->handler;
      queue = shared->queue;
    }
    if (!(fds[0].revents & POLLIN)) continue;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(shared->fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0) continue;
    auto connection = NWConnection::createWithAcceptedSocket(fd, endpointOf(peer));
    if (!handler) continue;  // nobody takes it: it closes with its last reference
    queue->post([handler, connection] { handler(connection); });
  }
}

}  // namespace platform
