// A pair of socket streams to one host and port: the read side (InputStream) and the write side
// (OutputStream) of one TCP connection, optionally with TLS (negotiated-SSL security level, set
// before opening). Each stream reports its events to its delegate on its dispatch queue:
// openCompleted once connected (after the TLS handshake and its trust check), hasBytesAvailable
// while bytes wait to be read (again after a read that left some, TLS-decrypted bytes included),
// hasSpaceAvailable, errorOccurred, endEncountered once the peer ended and every byte was read.
//
// With TLS the streams verify the server's chain and host name against TrustStore's anchors before
// they report open; a refusal is an errorOccurred. Reads never block; a write blocks only while the
// stream's send buffer is full, and gives up (0) after the write timeout.
//
// Thread-safe. An I/O thread of its own serves the socket. Closing both streams, or dropping
// both, closes the socket gracefully.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/QORPlatformExport.h"
#include "platform/Queue.h"
#include "platform/security/SecTrust.h"

namespace platform {

namespace detail {
struct StreamPairCore;
}

enum class StreamEvent {
  none = 0,
  openCompleted = 1,
  hasBytesAvailable = 2,
  hasSpaceAvailable = 4,
  errorOccurred = 8,
  endEncountered = 16,
};

enum class StreamStatus { notOpen, opening, open, reading, writing, atEnd, closed, error };

enum class StreamSocketSecurityLevel { none, negotiatedSSL };

class Stream;
struct StreamPair;
QOR_PLATFORM_EXPORT StreamPair createStreamPairWithSocketToHost(const std::string& host, uint32_t port);

class QOR_PLATFORM_EXPORT StreamDelegate {
 public:
  virtual ~StreamDelegate() = default;
  virtual void stream(const std::shared_ptr<Stream>& stream, StreamEvent event) = 0;
};

class QOR_PLATFORM_EXPORT Stream : public std::enable_shared_from_this<Stream> {
 public:
  virtual ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  void setDelegate(std::weak_ptr<StreamDelegate> delegate);
  // Where events are delivered; nullptr unschedules the stream (no further events).
  void setDispatchQueue(std::shared_ptr<Queue> queue);
  void open();
  void close();

  StreamStatus streamStatus() const;
  std::optional<Error> streamError() const;

  // Applies to both streams of the pair; false (nothing changed) once either was opened.
  bool setSecurityLevel(StreamSocketSecurityLevel level);
  StreamSocketSecurityLevel securityLevel() const;
  // The server's trust object once the TLS handshake ran; nullptr before, or without TLS.
  std::shared_ptr<SecTrust> peerTrust() const;
  // The host name the TLS session was verified for; none without TLS or before open.
  std::optional<std::string> peerName() const;

 protected:
  Stream(std::shared_ptr<detail::StreamPairCore> core, int side) : core_(std::move(core)), side_(side) {}
  const std::shared_ptr<detail::StreamPairCore> core_;
  const int side_;

  friend struct detail::StreamPairCore;
};

class QOR_PLATFORM_EXPORT InputStream final : public Stream {
 public:
  // Up to maxLength buffered bytes; 0 when none are there (or at the end); -1 when not open.
  ptrdiff_t read(uint8_t* buffer, size_t maxLength);
  bool hasBytesAvailable() const;

 private:
  InputStream(std::shared_ptr<detail::StreamPairCore> core, int side) : Stream(std::move(core), side) {}
  friend StreamPair createStreamPairWithSocketToHost(const std::string& host, uint32_t port);
};

class QOR_PLATFORM_EXPORT OutputStream final : public Stream {
 public:
  // Takes up to `length` bytes; -1 when the stream is not open or failed, 0 when no room came
  // within the write timeout.
  ptrdiff_t write(const uint8_t* buffer, size_t length);
  bool hasSpaceAvailable() const;
  void setWriteTimeout(Duration timeout);

 private:
  OutputStream(std::shared_ptr<detail::StreamPairCore> core, int side) : Stream(std::move(core), side) {}
  friend StreamPair createStreamPairWithSocketToHost(const std::string& host, uint32_t port);
};

struct StreamPair {
  std::shared_ptr<InputStream> input;
  std::shared_ptr<OutputStream> output;
};

// Nothing connects until a stream is opened. A port above 65535 fails on open.
QOR_PLATFORM_EXPORT StreamPair createStreamPairWithSocketToHost(const std::string& host, uint32_t port);

}  // namespace platform
