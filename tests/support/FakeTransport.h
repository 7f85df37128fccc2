// A transport for engine tests: records what the engine asks of it and lets the test play the
// connection's side. Events reach the client on the fake's own serial queue, as with a real
// transport. Thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/websocket/transport/Transport.h"
#include "platform/Queue.h"

namespace qortest {

class FakeTransport : public qor::Transport, public std::enable_shared_from_this<FakeTransport> {
 public:
  struct ConnectCall {
    std::string url;
    double timeout = 0;
    std::shared_ptr<qor::CertificatePinning> pinner;
  };

  static std::shared_ptr<FakeTransport> create();

  void registerDelegate(std::weak_ptr<qor::TransportEventClient> delegate) override;
  void connect(const platform::URL& url, double timeout, std::shared_ptr<qor::CertificatePinning> pinner) override;
  void disconnect() override;
  void write(platform::Bytes data, WriteCompletion completion) override;
  bool usingTLS() const override;

  // Test side. `deliver` posts the state to the fake's queue and reports it to the client there.
  void deliver(qor::ConnectionState state);
  void deliverBytes(platform::Bytes data) { deliver(qor::ConnectionState::Receive{std::move(data)}); }
  // Waits until everything posted to the fake's queue has run.
  void waitIdle();

  // Writes complete at once with this error (empty: success) unless held.
  void setWriteError(qor::ErrorPtr error);
  void setHoldWrites(bool hold);
  // Completes held writes, in order.
  void completeHeldWrites();
  // Whether `disconnect` reports `cancelled` (default true).
  void setReportsCancelOnDisconnect(bool reports);

  std::vector<ConnectCall> connectCalls() const;
  std::vector<platform::Bytes> writes() const;
  int disconnectCount() const;
  const std::shared_ptr<platform::SerialQueue>& queue() const { return queue_; }

 private:
  FakeTransport();

  const std::shared_ptr<platform::SerialQueue> queue_;
  mutable std::mutex mutex_;
  std::weak_ptr<qor::TransportEventClient> delegate_;
  std::vector<ConnectCall> connects_;
  std::vector<platform::Bytes> writes_;
  std::vector<WriteCompletion> held_;
  qor::ErrorPtr writeError_;
  bool holdWrites_ = false;
  bool reportsCancel_ = true;
  bool isTLS_ = false;
  int disconnects_ = 0;
};

}  // namespace qortest
