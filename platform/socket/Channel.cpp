#include "platform/socket/internal/Channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

#include <openssl/crypto.h>
#include <openssl/err.h>

#include "platform/security/internal/OpenSSLHandles.h"
#include "platform/socket/NetworkErrors.h"

namespace platform::detail {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr size_t kReceiveBufferLimit = 1 << 20;
constexpr size_t kSendBufferLimit = 256 * 1024;
constexpr size_t kChunk = 16 * 1024;
// After close: time to flush queued bytes, then to wait for the peer's end before the socket goes.
constexpr auto kFlushGrace = std::chrono::seconds(2);
constexpr auto kLingerGrace = std::chrono::seconds(1);

ChannelFailure posixFailure(int code) { return {ChannelFailure::Kind::posix, code, std::strerror(code)}; }
ChannelFailure tlsFailure(int code, std::string message) {
  return {ChannelFailure::Kind::tls, code, std::move(message)};
}

std::string openSSLMessage() {
  const unsigned long e = ERR_get_error();
  ERR_clear_error();
  if (e == 0) return "TLS protocol error";
  char buffer[256];
  ERR_error_string_n(e, buffer, sizeof buffer);
  return buffer;
}

bool isIpLiteral(const std::string& host) {
  unsigned char buf[16];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// The TLS failure that matches why the standard evaluation refused the chain.
ChannelFailure trustRefusal(const std::optional<Error>& why) {
  const std::string message = why ? why->localizedDescription() : "the server's certificate is not trusted";
  const int64_t code = why ? why->code : errSecNotTrusted;
  if (code == errSecCertificateExpired || code == errSecCertificateNotValidYet) {
    return tlsFailure(errSSLCertExpired, message);
  }
  if (code == errSecHostNameMismatch) return tlsFailure(errSSLHostNameMismatch, message);
  return tlsFailure(errSSLXCertChainInvalid, message);
}

// I/O threads still running, so that a test can let them finish before the process ends.
struct LiveThreads {
  std::mutex mutex;
  std::condition_variable cv;
  int count = 0;
};

LiveThreads& liveThreads() {
  static LiveThreads* live = new LiveThreads();
  return *live;
}

void startIoThread(std::shared_ptr<Channel> channel, void (*body)(Channel&)) {
  {
    std::lock_guard lock(liveThreads().mutex);
    ++liveThreads().count;
  }
  std::thread([channel = std::move(channel), body]() mutable {
    body(*channel);
    channel.reset();  // the socket and TLS state go before the thread counts as finished
    OPENSSL_thread_stop();  // and OpenSSL's per-thread state, which it would free after this body
    std::lock_guard lock(liveThreads().mutex);
    --liveThreads().count;
    liveThreads().cv.notify_all();
  }).detach();
}

}  // namespace

bool Channel::waitForAllThreads(Duration limit) {
  std::unique_lock lock(liveThreads().mutex);
  return liveThreads().cv.wait_for(lock, limit, [] { return liveThreads().count == 0; });
}

Error ChannelFailure::toError(const char* posixDomain, const char* dnsDomain, const char* tlsDomain) const {
  const char* domain = kind == Kind::posix ? posixDomain : kind == Kind::dns ? dnsDomain : tlsDomain;
  return Error::make(domain, code, {{kLocalizedDescriptionKey, message}});
}

struct Channel::Impl {
  EventHandler handler;
  ChannelConfig config;
  bool adopted = false;

  // Used by the I/O thread only, once it runs.
  int fd = -1;
  int wakeFd = -1;
  SslCtxPtr sslCtx;
  SslPtr ssl;
  std::optional<SteadyClock::time_point> establishDeadline;

  struct Outgoing {
    Bytes data;
    size_t offset = 0;
    SendDone done;
  };

  mutable std::mutex mutex;
  std::condition_variable cv;  // room in the send buffer, a trust verdict, a failure or a close
  Bytes inbound;
  size_t inboundOffset = 0;
  bool peerEnded = false;
  std::optional<ChannelFailure> failure;
  bool closeRequested = false;
  std::deque<Outgoing> outbound;
  size_t outboundBytes = 0;
  // A plain TCP socket once established: a sender may write to it itself while nothing is queued
  // (TLS state is the I/O thread's alone).
  bool directSend = false;
  // Completions of sent entries that the I/O thread is still calling; a direct send waits its turn
  // behind them so completions keep the order of the sends.
  int completionsRunning = 0;
  bool sendBufferWasFull = false;
  std::shared_ptr<SecTrust> peerTrust;
  std::optional<bool> verdict;
  std::optional<ChannelFailure> trustFailure;

  size_t inboundSize() const { return inbound.size() - inboundOffset; }

  void wake() const {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
  }
  void drainWake() const {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(wakeFd, &value, sizeof value);
  }

  // Polls the socket for `events` and the wake-up descriptor. Returns the socket's events, 0 at the
  // deadline (or on a wake-up when `returnOnWake`), -1 once a close was requested (unless
  // `untilClose` is false).
  int waitFor(short events, std::optional<SteadyClock::time_point> deadline, bool untilClose = true,
              bool returnOnWake = false) {
    for (;;) {
      if (untilClose) {
        std::lock_guard lock(mutex);
        if (closeRequested) return -1;
      }
      int timeout = -1;
      if (deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - SteadyClock::now()).count();
        timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
      }
      pollfd fds[2] = {{events ? fd : -1, events, 0}, {wakeFd, POLLIN, 0}};
      const int n = ::poll(fds, 2, timeout);
      if (n < 0) {
        if (errno == EINTR) continue;
        return POLLERR;
      }
      if (fds[1].revents) drainWake();
      if (fds[0].revents) return fds[0].revents;
      if (n == 0 || returnOnWake) return 0;
    }
  }

  void closeSocket() {
    ssl.reset();
    sslCtx.reset();
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

Channel::Channel(EventHandler handler) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

Channel::~Channel() {
  impl_->closeSocket();
  if (impl_->wakeFd >= 0) ::close(impl_->wakeFd);
}

std::shared_ptr<Channel> Channel::connect(ChannelConfig config, EventHandler handler) {
  auto channel = std::shared_ptr<Channel>(new Channel(std::move(handler)));
  channel->impl_->config = std::move(config);
  startIoThread(channel, [](Channel& c) { c.run(); });
  return channel;
}

std::shared_ptr<Channel> Channel::adopt(int fd, EventHandler handler) {
  auto channel = std::shared_ptr<Channel>(new Channel(std::move(handler)));
  channel->impl_->adopted = true;
  channel->impl_->fd = fd;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  startIoThread(channel, [](Channel& c) { c.run(); });
  return channel;
}

size_t Channel::available() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->inboundSize();
}

Bytes Channel::take(size_t maxLength) {
  Bytes out;
  bool readerStopped = false;
  {
    std::lock_guard lock(impl_->mutex);
    auto& d = *impl_;
    // Only a full buffer stops the reader; otherwise it needs no wake-up.
    readerStopped = d.inboundSize() >= kReceiveBufferLimit;
    const size_t n = std::min(maxLength, d.inboundSize());
    const auto first = d.inbound.begin() + static_cast<ptrdiff_t>(d.inboundOffset);
    out.assign(first, first + static_cast<ptrdiff_t>(n));
    d.inboundOffset += n;
    if (d.inboundOffset == d.inbound.size()) {
      d.inbound.clear();
      d.inboundOffset = 0;
    } else if (d.inboundOffset > d.inbound.size() / 2) {
      d.inbound.erase(d.inbound.begin(), d.inbound.begin() + static_cast<ptrdiff_t>(d.inboundOffset));
      d.inboundOffset = 0;
    }
  }
  if (readerStopped) impl_->wake();
  return out;
}

bool Channel::peerEnded() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->peerEnded;
}

std::optional<ChannelFailure> Channel::failure() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->failure;
}

std::shared_ptr<SecTrust> Channel::peerTrust() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->peerTrust;
}

void Channel::send(Bytes data, SendDone done) {
  std::optional<ChannelFailure> refusal;
  bool sentAll = false;
  {
    std::lock_guard lock(impl_->mutex);
    auto& d = *impl_;
    if (d.failure) {
      refusal = d.failure;
    } else if (d.closeRequested) {
      refusal = posixFailure(ECANCELED);
    } else {
      // Handing the bytes to the kernel here spares a wake-up of the I/O thread. The lock keeps the
      // socket open (it is closed only after a failure or a close request is recorded under it) and
      // keeps the bytes of concurrent senders in order; the send never blocks.
      size_t offset = 0;
      if (d.directSend && d.outbound.empty() && d.completionsRunning == 0 && !data.empty()) {
        for (;;) {
          const ssize_t n = ::send(d.fd, data.data() + offset, data.size() - offset, MSG_NOSIGNAL | MSG_DONTWAIT);
          if (n > 0) offset += static_cast<size_t>(n);
          if (offset == data.size() || (n < 0 && errno != EINTR) || n == 0) break;
        }
        // Whatever failed or did not fit goes the usual way; the I/O thread reports a failure.
      }
      sentAll = offset == data.size() && offset > 0;
      if (!sentAll) {
        d.outboundBytes += data.size() - offset;
        d.outbound.push_back({std::move(data), offset, std::move(done)});
      }
    }
  }
  if (refusal) {
    if (done) done(refusal);
    return;
  }
  if (sentAll) {
    if (done) done(std::nullopt);
    return;
  }
  impl_->wake();
}

ptrdiff_t Channel::writeSome(const uint8_t* data, size_t length, Duration maxWait) {
  std::unique_lock lock(impl_->mutex);
  auto& d = *impl_;
  const auto deadline = SteadyClock::now() + maxWait;
  const auto stopped = [&] { return d.failure.has_value() || d.closeRequested; };
  if (!d.cv.wait_until(lock, deadline, [&] { return stopped() || d.outboundBytes < kSendBufferLimit; })) return 0;
  if (stopped()) return -1;
  const size_t n = std::min(length, kSendBufferLimit - d.outboundBytes);
  d.outbound.push_back({Bytes(data, data + n), 0, nullptr});
  d.outboundBytes += n;
  if (d.outboundBytes >= kSendBufferLimit) d.sendBufferWasFull = true;
  lock.unlock();
  d.wake();
  return static_cast<ptrdiff_t>(n);
}

bool Channel::hasSpace() const {
  std::lock_guard lock(impl_->mutex);
  return !impl_->failure && !impl_->closeRequested && impl_->outboundBytes < kSendBufferLimit;
}

void Channel::close() {
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->closeRequested) return;
    impl_->closeRequested = true;
  }
  impl_->cv.notify_all();
  impl_->wake();
}

// --- the I/O thread ------------------------------------------------------------------------------

namespace {

enum class Outcome { ok, closed, unreachable, failed };

struct Runner {
  Channel& channel;
  Channel::Impl& d;
  std::shared_ptr<Channel> self;

  void emit(ChannelEvent event) { d.handler(event); }

  void fail(ChannelFailure f, ChannelEvent event = ChannelEvent::failed) {
    std::deque<Channel::Impl::Outgoing> dropped;
    {
      std::lock_guard lock(d.mutex);
      if (!d.failure) d.failure = std::move(f);
      f = *d.failure;
      dropped.swap(d.outbound);
      d.outboundBytes = 0;
    }
    d.cv.notify_all();
    d.closeSocket();
    for (auto& o : dropped) {
      if (o.done) o.done(f);
    }
    emit(event);
  }

  static int verifyThunk(X509_STORE_CTX* ctx, void* arg) { return static_cast<Runner*>(arg)->verifyPeer(ctx); }

  int verifyPeer(X509_STORE_CTX* ctx) {
    std::vector<std::shared_ptr<SecCertificate>> certs;
    X509* leaf = X509_STORE_CTX_get0_cert(ctx);
    if (leaf) certs.push_back(SecCertificate::createWithData(derFromX509(leaf)));
    if (STACK_OF(X509)* chain = X509_STORE_CTX_get0_untrusted(ctx)) {
      for (int i = 0; i < sk_X509_num(chain); ++i) {
        X509* c = sk_X509_value(chain, i);
        if (leaf && X509_cmp(c, leaf) == 0) continue;
        certs.push_back(SecCertificate::createWithData(derFromX509(c)));
      }
    }
    auto trust = SecTrust::create(std::move(certs), {SecPolicy::createSSL(true, d.config.host)});
    {
      std::lock_guard lock(d.mutex);
      d.peerTrust = trust;
      d.verdict.reset();
    }
    bool accepted = false;
    if (!d.config.verify) {
      std::optional<Error> why;
      accepted = trust->evaluateWithError(&why);
      if (!accepted) {
        std::lock_guard lock(d.mutex);
        d.trustFailure = trustRefusal(why);
      }
    } else {
      std::weak_ptr<Channel> weak = self;
      d.config.verify(trust, [weak](bool ok) {
        auto owner = weak.lock();
        if (!owner) return;
        auto& impl = owner->impl();
        {
          std::lock_guard lock(impl.mutex);
          if (!impl.verdict) impl.verdict = ok;
        }
        impl.cv.notify_all();
      });
      std::unique_lock lock(d.mutex);
      const auto decided = [&] { return d.verdict.has_value() || d.closeRequested; };
      if (d.establishDeadline) {
        d.cv.wait_until(lock, *d.establishDeadline, decided);
      } else {
        d.cv.wait(lock, decided);
      }
      accepted = d.verdict.value_or(false);
      if (!accepted) {
        d.trustFailure = d.verdict ? tlsFailure(errSSLBadCert, "the server's certificate was refused")
                                   : tlsFailure(errSSLClosedAbort, "no trust decision was made in time");
      }
    }
    if (!accepted) X509_STORE_CTX_set_error(ctx, X509_V_ERR_APPLICATION_VERIFICATION);
    return accepted ? 1 : 0;
  }

  Outcome connectTcp() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string port = std::to_string(d.config.port);
    if (const int rc = ::getaddrinfo(d.config.host.c_str(), port.c_str(), &hints, &list); rc != 0) {
      std::lock_guard lock(d.mutex);
      d.failure = ChannelFailure{ChannelFailure::Kind::dns, rc, ::gai_strerror(rc)};
      return Outcome::unreachable;
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> guard(list, ::freeaddrinfo);
    int lastError = ECONNREFUSED;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
      d.fd = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (d.fd < 0) {
        lastError = errno;
        continue;
      }
      if (::connect(d.fd, ai->ai_addr, ai->ai_addrlen) == 0) return Outcome::ok;
      if (errno == EINPROGRESS) {
        const int r = d.waitFor(POLLOUT, d.establishDeadline);
        if (r < 0) return Outcome::closed;
        if (r == 0) {
          std::lock_guard lock(d.mutex);
          d.failure = posixFailure(ETIMEDOUT);
          return Outcome::failed;
        }
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(d.fd, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error == 0) return Outcome::ok;
        lastError = error;
      } else {
        lastError = errno;
      }
      d.closeSocket();
    }
    std::lock_guard lock(d.mutex);
    d.failure = posixFailure(lastError);
    return lastError == ETIMEDOUT ? Outcome::failed : Outcome::unreachable;
  }

  Outcome handshake() {
    d.sslCtx.reset(SSL_CTX_new(TLS_client_method()));
    if (!d.sslCtx) return setFailure(tlsFailure(errSSLProtocol, openSSLMessage()));
    SSL_CTX_set_min_proto_version(d.sslCtx.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(d.sslCtx.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_cert_verify_callback(d.sslCtx.get(), &Runner::verifyThunk, this);
    // A peer that drops the socket without close-notify ends the stream; the protocol above has
    // its own close messages.
    SSL_CTX_set_options(d.sslCtx.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    d.ssl.reset(SSL_new(d.sslCtx.get()));
    if (!d.ssl) return setFailure(tlsFailure(errSSLProtocol, openSSLMessage()));
    SSL_set_fd(d.ssl.get(), d.fd);
    SSL_set_mode(d.ssl.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (!isIpLiteral(d.config.host)) SSL_set_tlsext_host_name(d.ssl.get(), d.config.host.c_str());
    for (;;) {
      const int r = SSL_connect(d.ssl.get());
      if (r == 1) return Outcome::ok;
      const int e = SSL_get_error(d.ssl.get(), r);
      if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        const int w = d.waitFor(e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, d.establishDeadline);
        if (w < 0) return Outcome::closed;
        if (w == 0) return setFailure(posixFailure(ETIMEDOUT));
        continue;
      }
      std::optional<ChannelFailure> refused;
      {
        std::lock_guard lock(d.mutex);
        if (d.closeRequested) return Outcome::closed;
        refused = d.trustFailure;
      }
      if (refused) {
        ERR_clear_error();
        return setFailure(*refused);
      }
      if (e == SSL_ERROR_SYSCALL || e == SSL_ERROR_ZERO_RETURN) {
        ERR_clear_error();
        return setFailure(tlsFailure(errSSLClosedAbort, "the peer closed the connection during the TLS handshake"));
      }
      return setFailure(tlsFailure(errSSLProtocol, openSSLMessage()));
    }
  }

  Outcome setFailure(ChannelFailure f) {
    std::lock_guard lock(d.mutex);
    d.failure = std::move(f);
    return Outcome::failed;
  }

  Outcome establish() {
    if (d.config.establishTimeout) d.establishDeadline = SteadyClock::now() + *d.config.establishTimeout;
    Outcome o = connectTcp();
    if (o != Outcome::ok) return o;
    const int one = 1;
    ::setsockopt(d.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return d.config.tls ? handshake() : Outcome::ok;
  }

  // Reads what the socket holds into the receive buffer, up to its limit. False after a failure.
  bool readIn() {
    uint8_t buffer[kChunk];
    bool got = false;
    bool ended = false;
    for (;;) {
      {
        std::lock_guard lock(d.mutex);
        if (d.inboundSize() >= kReceiveBufferLimit) break;
      }
      ssize_t n;
      if (d.ssl) {
        n = SSL_read(d.ssl.get(), buffer, static_cast<int>(sizeof buffer));
        if (n <= 0) {
          const int e = SSL_get_error(d.ssl.get(), static_cast<int>(n));
          if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) break;
          if (e == SSL_ERROR_ZERO_RETURN || (e == SSL_ERROR_SYSCALL && errno == 0)) {
            ERR_clear_error();
            ended = true;
            break;
          }
          fail(e == SSL_ERROR_SYSCALL ? posixFailure(errno) : tlsFailure(errSSLProtocol, openSSLMessage()));
          return false;
        }
      } else {
        n = ::recv(d.fd, buffer, sizeof buffer, 0);
        if (n == 0) {
          ended = true;
          break;
        }
        if (n < 0) {
          if (errno == EINTR) continue;
          if (errno == EAGAIN || errno == EWOULDBLOCK) break;
          fail(posixFailure(errno));
          return false;
        }
      }
      {
        std::lock_guard lock(d.mutex);
        d.inbound.insert(d.inbound.end(), buffer, buffer + n);
      }
      got = true;
    }
    if (ended) {
      std::lock_guard lock(d.mutex);
      d.peerEnded = true;
    }
    if (got) emit(ChannelEvent::readable);
    if (ended) emit(ChannelEvent::ended);
    return true;
  }

  // Hands queued bytes to the kernel until it takes no more. False after a failure.
  bool writeOut() {
    for (;;) {
      Channel::Impl::Outgoing* front = nullptr;
      {
        std::lock_guard lock(d.mutex);
        if (d.outbound.empty()) return true;
        front = &d.outbound.front();  // only this thread removes entries, so the reference stays
      }
      const uint8_t* p = front->data.data() + front->offset;
      const size_t length = front->data.size() - front->offset;
      ssize_t n = 0;
      if (length > 0) {
        if (d.ssl) {
          n = SSL_write(d.ssl.get(), p, static_cast<int>(std::min<size_t>(length, INT_MAX)));
          if (n <= 0) {
            const int e = SSL_get_error(d.ssl.get(), static_cast<int>(n));
            if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) return true;
            fail(e == SSL_ERROR_SYSCALL ? posixFailure(errno ? errno : EPIPE)
                                        : tlsFailure(errSSLProtocol, openSSLMessage()));
            return false;
          }
        } else {
          n = ::send(d.fd, p, length, MSG_NOSIGNAL);
          if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
            fail(posixFailure(errno));
            return false;
          }
        }
      }
      Channel::SendDone done;
      bool roomAgain = false;
      {
        std::lock_guard lock(d.mutex);
        front->offset += static_cast<size_t>(n);
        d.outboundBytes -= static_cast<size_t>(n);
        if (front->offset == front->data.size()) {
          done = std::move(front->done);
          d.outbound.pop_front();
          if (done) ++d.completionsRunning;
        }
        if (d.sendBufferWasFull && d.outboundBytes < kSendBufferLimit) {
          d.sendBufferWasFull = false;
          roomAgain = true;
        }
      }
      d.cv.notify_all();
      if (done) {
        done(std::nullopt);
        std::lock_guard lock(d.mutex);
        --d.completionsRunning;
      }
      if (roomAgain) emit(ChannelEvent::spaceAvailable);
    }
  }

  void serve() {
    for (;;) {
      bool wantRead, wantWrite;
      {
        std::lock_guard lock(d.mutex);
        if (d.closeRequested) return;
        wantRead = !d.peerEnded && d.inboundSize() < kReceiveBufferLimit;
        wantWrite = !d.outbound.empty();
      }
      // Decrypted bytes that TLS still holds do not show on the socket.
      if (wantRead && d.ssl && SSL_pending(d.ssl.get()) > 0) {
        if (!readIn()) return;
        continue;
      }
      const short events = static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
      const int r = d.waitFor(events, std::nullopt, true, true);
      if (r < 0) return;
      if (wantRead && (r & (POLLIN | POLLHUP | POLLERR)) && !readIn()) return;
      if (wantWrite && (r & (POLLOUT | POLLHUP | POLLERR)) && !writeOut()) return;
    }
  }

  void shutdownGracefully() {
    if (d.fd < 0) return;
    const auto flushBy = SteadyClock::now() + kFlushGrace;
    for (;;) {
      {
        std::lock_guard lock(d.mutex);
        if (d.outbound.empty() || d.failure) break;
      }
      if (d.waitFor(POLLOUT, flushBy, false) <= 0) break;
      if (!writeOut()) return;
    }
    std::deque<Channel::Impl::Outgoing> dropped;
    {
      std::lock_guard lock(d.mutex);
      dropped.swap(d.outbound);
      d.outboundBytes = 0;
    }
    // A record that TLS could not finish writing cannot be followed by a close-notify.
    const bool flushed = dropped.empty();
    for (auto& o : dropped) {
      if (o.done) o.done(posixFailure(ECANCELED));
    }
    if (d.ssl && flushed) {
      for (int attempt = 0; attempt < 3; ++attempt) {
        const int r = SSL_shutdown(d.ssl.get());
        if (r >= 0) break;
        if (SSL_get_error(d.ssl.get(), r) != SSL_ERROR_WANT_WRITE) break;
        if (d.waitFor(POLLOUT, SteadyClock::now() + std::chrono::milliseconds(200), false) <= 0) break;
      }
      ERR_clear_error();
    }
    ::shutdown(d.fd, SHUT_WR);
    // Closing with unread bytes would send a reset that can destroy what the peer has not read yet.
    const auto lingerUntil = SteadyClock::now() + kLingerGrace;
    uint8_t buffer[kChunk];
    while (d.waitFor(POLLIN, lingerUntil, false) > 0) {
      const ssize_t n = ::recv(d.fd, buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
    d.closeSocket();
  }

  void run() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    if (!d.adopted) {
      switch (establish()) {
        case Outcome::ok:
          break;
        case Outcome::closed:
          d.closeSocket();
          return;
        case Outcome::unreachable:
          fail(*channel.failure(), ChannelEvent::unreachable);
          return;
        case Outcome::failed:
          fail(*channel.failure());
          return;
      }
    }
    {
      std::lock_guard lock(d.mutex);
      d.directSend = !d.ssl;
    }
    emit(ChannelEvent::established);
    serve();
    if (!channel.failure()) shutdownGracefully();
    d.closeSocket();
  }
};

}  // namespace

void Channel::run() {
  Runner runner{*this, *impl_, shared_from_this()};
  runner.run();
}

}  // namespace platform::detail
