// One TCP connection, optionally with TLS, served by an I/O thread of its own: it connects (name
// resolution, non-blocking connect, TLS handshake with a trust decision), then moves bytes between
// the socket and two buffers. Both the connection object and the socket streams are built on it.
//
// Thread-safe. The event handler runs on the I/O thread, never with the channel's lock held; it may
// call back into the channel. The I/O thread keeps the channel alive until it has closed the socket.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Bytes.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/security/SecTrust.h"

namespace platform::detail {

struct ChannelFailure {
  enum class Kind { posix, dns, tls };
  Kind kind = Kind::posix;
  int code = 0;
  std::string message;

  Error toError(const char* posixDomain, const char* dnsDomain, const char* tlsDomain) const;
};

enum class ChannelEvent {
  established,     // connected, TLS included
  unreachable,     // refused, no route, or the name did not resolve (failure() says which)
  failed,          // timed out, TLS refused, or an I/O error (failure() says which)
  readable,        // new bytes were buffered
  ended,           // the peer ended its side
  spaceAvailable,  // the send buffer drained below its limit
};

struct ChannelConfig {
  std::string host;
  uint16_t port = 0;
  std::optional<Duration> establishTimeout;  // bounds the TCP connect and the TLS handshake together
  bool tls = false;
  // Decides the server's trust during the handshake; called on the I/O thread, it must call
  // `complete` once, from any thread. Empty: the standard evaluation with an SSL policy for `host`.
  std::function<void(std::shared_ptr<SecTrust>, std::function<void(bool)>)> verify;
};

class Channel : public std::enable_shared_from_this<Channel> {
 public:
  using EventHandler = std::function<void(ChannelEvent)>;
  using SendDone = std::function<void(std::optional<ChannelFailure>)>;

  static std::shared_ptr<Channel> connect(ChannelConfig config, EventHandler handler);
  // An accepted, connected socket; the channel owns the descriptor from now on.
  static std::shared_ptr<Channel> adopt(int fd, EventHandler handler);
  ~Channel();

  size_t available() const;
  Bytes take(size_t maxLength);
  // The peer ended its side (bytes may still be buffered).
  bool peerEnded() const;
  std::optional<ChannelFailure> failure() const;
  std::shared_ptr<SecTrust> peerTrust() const;

  // Sends bytes, or queues what the kernel does not take at once (always over TLS); `done` runs once
  // all of them were handed to the kernel, or with the failure that stopped them: on the I/O thread,
  // or on the calling thread when the kernel took them at once or the channel had already ended.
  void send(Bytes data, SendDone done);
  // Copies up to `length` bytes into the send buffer, waiting up to `maxWait` while it is full.
  // Returns the count taken (0 when no room came in time), or -1 once the channel failed or closed.
  ptrdiff_t writeSome(const uint8_t* data, size_t length, Duration maxWait);
  bool hasSpace() const;

  // Ends the connection gracefully: queued bytes are flushed, TLS sends its close-notify, the write
  // side is shut down and the socket closed once the peer answers (or after a short grace time), so
  // the peer reads everything that was sent before. Idempotent; no event follows.
  void close();

  // Tests: waits until every I/O thread has closed its socket and ended; false after `limit`.
  static bool waitForAllThreads(Duration limit);

  // The state shared with the I/O thread's code in Channel.cpp.
  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  explicit Channel(EventHandler handler);
  void run();

  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::detail
