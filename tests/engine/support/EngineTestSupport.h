// Helpers of the engine, adapter and channel tests: an event log that can be waited on, and the
// server's side of a FakeTransport (answering the upgrade, writing frames, reading what the client
// wrote).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/websocket/WebSocketEvent.h"
#include "common/websocket/adapter/QOREngineWebSocket.h"
#include "common/websocket/compression/CompressionHandler.h"
#include "common/websocket/engine/EngineDelegate.h"
#include "common/websocket/framer/Frame.h"
#include "platform/Bytes.h"
#include "tests/support/FakeTransport.h"

namespace enginetest {

using platform::Bytes;

// "WSError(protocolError,1002,<message>)", "HTTPUpgradeError(0,403)", "<domain>(<code>)" for others,
// "none" for an empty error.
std::string describeError(const qor::ErrorPtr& error);
// "connected", "disconnected:<code>:<reason>", "text:<text>", "binary:<size>", "ping:<text>",
// "pong:<text>", "error:<describeError>", "viability:<0|1>", "better:<0|1>", "cancelled".
std::string describeEvent(const qor::WebSocketEvent& event);

// Thread-safe list of event lines.
class EventLog {
 public:
  void add(std::string line);
  std::vector<std::string> lines() const;
  // Waits (real time) until `done` holds for the lines; false on time-out.
  bool waitFor(const std::function<bool(const std::vector<std::string>&)>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  bool waitForLine(const std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  size_t count(const std::string& prefix) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  std::vector<std::string> lines_;
};

// An engine delegate that logs every event (and the headers of `connected`).
class EngineRecorder : public qor::EngineDelegate {
 public:
  void didReceive(qor::WebSocketEvent event) override;
  EventLog log;
};

// A frame as a server writes it (unmasked).
Bytes serverFrame(qor::FrameOpCode opcode, const Bytes& payload, bool fin = true, bool rsv1 = false);
Bytes serverFrame(qor::FrameOpCode opcode, const std::string& payload, bool fin = true);
Bytes closePayload(uint16_t code, const std::string& reason = {});

// The server's side of a FakeTransport.
class FakeServer {
 public:
  explicit FakeServer(std::shared_ptr<qortest::FakeTransport> transport) : transport_(std::move(transport)) {}

  // The key of the last upgrade request the client wrote; empty when it wrote none.
  std::string lastKey() const;
  // "HTTP/1.1 101 ..." with the right accept value for the last key and the extra header lines.
  std::string acceptAnswer(const std::string& extraLines = {}) const;
  // Delivers `connected`, waits for the upgrade request and delivers the accepting answer.
  void connectAndAccept(const std::string& extraLines = {});
  // Waits until the client wrote at least `count` chunks.
  bool waitForWrites(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  // The frames the client wrote after its last upgrade request, unmasked; a chunk that is not one
  // whole client frame shows as a frame of opcode `unknown`.
  std::vector<qor::Frame> clientFrames() const;
  // "<opcode>:<payload text>" for each frame, close frames as "close:<code>".
  std::vector<std::string> clientFrameLines() const;
  // Whether the client frame at `index` (after the upgrade) had RSV1 set.
  bool clientFrameCompressed(size_t index) const;

  const std::shared_ptr<qortest::FakeTransport>& transport() const { return transport_; }

 private:
  size_t lastUpgradeIndex() const;
  std::shared_ptr<qortest::FakeTransport> transport_;
};

// An adapter whose socket runs a WSEngine over a FakeTransport; `server` plays the other side.
class FakeTransportAdapter : public qor::QOREngineWebSocket {
 public:
  static std::shared_ptr<FakeTransportAdapter> create(const std::string& url = "wss://example.com/ws",
                                                      double timeout = platform::URLRequest::kDefaultTimeoutInterval);
  std::shared_ptr<qor::WebSocket> socket() override;

  std::shared_ptr<qortest::FakeTransport> transport = qortest::FakeTransport::create();
  FakeServer server{transport};

 private:
  explicit FakeTransportAdapter(platform::URLRequest request) : QOREngineWebSocket(std::move(request)) {}
  std::shared_ptr<qor::WebSocket> socket_;
};

// A socket's delegate that keeps every event (with its data) and logs it; for tests that wait
// instead of running the main queue, sockets made by `makeSocket` deliver on a serial queue.
class SocketRecorder : public qor::WebSocketDelegate {
 public:
  void didReceive(const qor::WebSocketEvent& event, const std::shared_ptr<qor::WebSocket>& client) override;
  std::vector<qor::WebSocketEvent> events() const;
  EventLog log;

 private:
  mutable std::mutex mutex_;
  std::vector<qor::WebSocketEvent> events_;
};

struct RecordedSocket {
  std::shared_ptr<qor::WebSocket> socket;
  std::shared_ptr<SocketRecorder> recorder;
};
// A socket for the URL (with the header fields), a FoundationSecurity pinner and the given
// compression handler, delivering to a recorder on a serial queue. Not connected yet. Without
// `useCustomEngine` (from system 13 on) it runs on the URL-session engine.
RecordedSocket makeSocket(const std::string& url, const platform::HTTPHeaderFields& fields = {},
                          std::shared_ptr<qor::CompressionHandler> compression = nullptr,
                          bool useCustomEngine = true);

// Polls `done` (real time) until it holds or the limit passes; whether it held.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs the main queue until `done` or the limit (real time).
bool runMainUntil(const std::function<bool()>& done, double seconds = 10);

// Waits until the serial and background queues are idle.
void settle();

}  // namespace enginetest
