// The server side of the server tests: a WebSocketServer on a free loopback port whose events are
// logged, optionally echoing (text and binary back, a pong for each ping, the close frame answered
// with its own code and reason); and a raw TCP client that writes and reads bytes as given.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/websocket/server/WebSocketServer.h"
#include "platform/Bytes.h"
#include "tests/engine/support/EngineTestSupport.h"

namespace servertest {

class ServerHarness {
 public:
  explicit ServerHarness(bool echo = true);
  // Stops the reports and lets the queues finish what they run.
  ~ServerHarness();
  ServerHarness(const ServerHarness&) = delete;
  ServerHarness& operator=(const ServerHarness&) = delete;

  uint16_t port() const { return server->port(); }
  std::string url(const std::string& path = "/") const;
  // Waits until the server holds this many connections.
  bool waitForTableSize(size_t size, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  bool waitForEmptyTable() const { return waitForTableSize(0); }
  // The header fields of each `connected`, in order.
  std::vector<qor::HeaderFields> connectedHeaders() const;
  // The connection of the last `connected`, while the server holds it.
  std::shared_ptr<qor::Connection> lastConnection() const;

  // "connected", "text:<text>", "binary:<size>", "ping:<text>", "pong:<text>",
  // "disconnected:<code>:<reason>"; and the connections' own errors as "own error:<error>".
  enginetest::EventLog& log() const { return state_->log; }

  std::shared_ptr<qor::WebSocketServer> server = qor::WebSocketServer::create();

 private:
  // Shared with the event blocks, which may outlive the harness on the server's queues.
  struct State {
    enginetest::EventLog log;
    std::mutex mutex;
    std::vector<qor::HeaderFields> headers;
    std::weak_ptr<qor::Connection> last;  // weak: the connection holds the state through its block
  };
  static void handle(const std::shared_ptr<State>& state, const qor::ServerEvent& event, bool echo);

  const std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A plain TCP client of 127.0.0.1. Blocking, for one test thread.
class RawClient {
 public:
  explicit RawClient(uint16_t port);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  void write(const platform::Bytes& bytes);
  void write(const std::string& text) { write(platform::bytesFromString(text)); }
  // Reads until `done(all received so far)` holds, the peer ends the stream or the limit passes;
  // everything received so far.
  std::string readUntil(const std::function<bool(const std::string&)>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Reads until the end of the answer's head.
  std::string readHead() { return readUntil([](const std::string& s) { return s.find("\r\n\r\n") != std::string::npos; }); }
  bool peerEnded() const { return peerEnded_; }
  // Closes the socket at once.
  void drop();

 private:
  int fd_ = -1;
  bool peerEnded_ = false;
  std::string received_;
};

// A masked frame, as a client writes it (FIN unless told otherwise).
platform::Bytes clientFrame(qor::FrameOpCode opcode, const std::string& payload, bool fin = true);
// An upgrade request for the path with the key, and any further header lines.
std::string upgradeRequest(const std::string& key = "dGhlIHNhbXBsZSBub25jZQ==", const std::string& extraLines = {});

}  // namespace servertest
