// The connection transport: one platform::NWConnection at a time, with TLS for the TLS schemes.
//
// Every event reaches the delegate on the transport's own serial queue (a URL it cannot use is
// reported at once, on the caller's thread). Each connection's events are tagged with its
// generation: a new `connect` cancels the previous connection and nothing of it is reported
// afterwards, even when a later connection is made at the freed one's address; nothing is
// received after `disconnect`; destroying the transport closes its socket. Without a pinner the
// server's chain and host name are still checked (a default FoundationSecurity decides). A refused,
// unreachable or timed-out connection, or the peer's end of the stream, is reported as `failed`,
// once per connection.
//
// Public methods may be called from any thread; the delegate is held weakly.
#pragma once

#include <memory>
#include <mutex>

#include "common/websocket/transport/Transport.h"
#include "platform/Queue.h"
#include "platform/socket/NWConnection.h"

namespace qor {

class TCPTransport final : public Transport, public std::enable_shared_from_this<TCPTransport> {
 public:
  static std::shared_ptr<TCPTransport> create();
  // Around a connection a listener accepted, started at once. A delegate given here hears from the
  // start, so the first bytes of a client that writes at once are not missed.
  static std::shared_ptr<TCPTransport> create(std::shared_ptr<platform::NWConnection> connection,
                                              std::weak_ptr<TransportEventClient> delegate = {});
  ~TCPTransport() override;

  void registerDelegate(std::weak_ptr<TransportEventClient> delegate) override;
  void connect(const platform::URL& url, double timeout, std::shared_ptr<CertificatePinning> certificatePinning) override;
  void disconnect() override;
  // Without a connection the completion gets a "not connected" error.
  void write(platform::Bytes data, WriteCompletion completion) override;
  bool usingTLS() const override;

  const std::shared_ptr<platform::SerialQueue>& queue() const { return queue_; }

 private:
  TCPTransport();
  // Makes the connection the current one; its generation.
  uint64_t adopt(std::shared_ptr<platform::NWConnection> connection, bool isTLS);
  void start(const std::shared_ptr<platform::NWConnection>& connection, uint64_t generation);
  void receiveNext(uint64_t generation);
  void onState(uint64_t generation, platform::NWConnection::State state, std::optional<platform::Error> error);
  void onReceive(uint64_t generation, platform::OptBytes content, bool isComplete,
                 std::optional<platform::Error> error);
  // Marks the current connection failed; false when it already was (or is not current).
  bool markFailed(uint64_t generation);
  bool isCurrent(uint64_t generation) const;
  void report(const ConnectionState& state);

  const std::shared_ptr<platform::SerialQueue> queue_;
  mutable std::mutex mutex_;
  std::shared_ptr<platform::NWConnection> connection_;
  uint64_t generation_ = 0;  // of connection_; one per connection, so a freed one's address means nothing
  std::weak_ptr<TransportEventClient> delegate_;
  bool isRunning_ = false;
  bool isTLS_ = false;

  // Queue-confined.
  uint64_t failedGeneration_ = 0;  // the last connection whose failure was reported
};

}  // namespace qor
