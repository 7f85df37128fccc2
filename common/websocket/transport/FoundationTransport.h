// The stream transport: a pair of platform socket streams per connection, with the streams' own
// TLS (which checks the chain and host name) and the certificate pinner asked once the input
// stream has opened.
//
// Stream events, reads, the trust decision and the connect timeout run on `workQueue`, so the
// delegate hears from this transport there, one event at a time (a URL it cannot use is reported
// at once, on the caller's thread). `write` runs on the caller's thread and blocks it while the
// stream takes the bytes. A connection reports one failure at most (stream error, refused trust,
// timeout, or the peer's end of the stream); `disconnect` reports `cancelled`. A new `connect`
// closes the previous streams; destroying the transport closes them too.
//
// Public methods may be called from any thread; the delegate is held weakly.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "common/websocket/security/CertificatePinning.h"
#include "common/websocket/transport/Transport.h"
#include "platform/Queue.h"
#include "platform/socket/SocketStream.h"

namespace qor {

class FoundationTransport final : public Transport,
                                  public platform::StreamDelegate,
                                  public std::enable_shared_from_this<FoundationTransport> {
 public:
  // Called by `connect` with both streams after they are configured and before they open.
  using StreamConfiguration =
      std::function<void(const std::shared_ptr<platform::InputStream>&, const std::shared_ptr<platform::OutputStream>&)>;

  static std::shared_ptr<FoundationTransport> create(StreamConfiguration streamConfiguration = nullptr);
  ~FoundationTransport() override;

  void registerDelegate(std::weak_ptr<TransportEventClient> delegate) override;
  void connect(const platform::URL& url, double timeout, std::shared_ptr<CertificatePinning> certificatePinning) override;
  void disconnect() override;
  void write(platform::Bytes data, WriteCompletion completion) override;
  bool usingTLS() const override;

  void stream(const std::shared_ptr<platform::Stream>& stream, platform::StreamEvent event) override;

  const std::shared_ptr<platform::SerialQueue>& workQueue() const { return workQueue_; }

 private:
  explicit FoundationTransport(StreamConfiguration streamConfiguration);
  void decideTrust(uint64_t generation);
  void trustDecided(uint64_t generation, const PinningState& state);
  void markConnected(uint64_t generation);
  void readOnce();
  void connectTimedOut(uint64_t generation);
  // Reports the connection's one failure; `closeStreams` ends the streams as well.
  void fail(uint64_t generation, ErrorPtr error, bool closeStreams);
  void report(const ConnectionState& state);

  const std::shared_ptr<platform::SerialQueue> workQueue_;
  const StreamConfiguration onConnect_;

  mutable std::mutex mutex_;
  std::weak_ptr<TransportEventClient> delegate_;
  std::shared_ptr<platform::InputStream> inputStream_;
  std::shared_ptr<platform::OutputStream> outputStream_;
  bool isTLS_ = false;
  std::shared_ptr<CertificatePinning> certPinner_;
  uint64_t generation_ = 0;  // one per connect or disconnect; older checks and completions are void
  bool hasConnection_ = false;  // a connect since the last disconnect

  // Queue-confined: the last generations that opened and whose failure was reported.
  uint64_t openGeneration_ = 0;
  uint64_t failedGeneration_ = 0;
};

}  // namespace qor
