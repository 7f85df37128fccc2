// The vocabulary of the WebSocket server: what a server and its connections can do, and what they
// report.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"
#include "common/websocket/framer/FrameCodes.h"
#include "platform/Bytes.h"

namespace qor {

// One client connection of a server, as its holder sees it.
class Connection {
 public:
  virtual ~Connection() = default;
  // One unmasked frame with FIN set; the outcome is not reported.
  virtual void write(platform::Bytes data, FrameOpCode opcode) = 0;
};

// What a connection reports to its delegate (the server), and the server to its owner.
struct ServerEvent {
  // The upgrade request was answered with 101; the request's header fields.
  struct Connected { std::shared_ptr<Connection> connection; HeaderFields headers; };
  // The client's close frame.
  struct Disconnected { std::shared_ptr<Connection> connection; std::string reason; uint16_t code = 0; };
  struct Text { std::shared_ptr<Connection> connection; std::string string; };
  struct Binary { std::shared_ptr<Connection> connection; platform::Bytes data; };
  struct Pong { std::shared_ptr<Connection> connection; platform::OptBytes data; };
  struct Ping { std::shared_ptr<Connection> connection; platform::OptBytes data; };
  using Value = std::variant<Connected, Disconnected, Text, Binary, Pong, Ping>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  ServerEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

// What one connection reports to its own `onEvent`.
struct ConnectionEvent {
  struct Connected { HeaderFields headers; };
  struct Disconnected { std::string reason; uint16_t code = 0; };
  struct Text { std::string string; };
  struct Binary { platform::Bytes data; };
  struct Pong { platform::OptBytes data; };
  struct Ping { platform::OptBytes data; };
  // A refused request (HTTPUpgradeError::invalidData), or a frame or message error of the codec.
  struct Error { ErrorPtr error; };
  using Value = std::variant<Connected, Disconnected, Text, Binary, Pong, Ping, Error>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  ConnectionEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

class ConnectionDelegate {
 public:
  virtual ~ConnectionDelegate() = default;
  virtual void didReceive(const ServerEvent& event) = 0;
};

class Server {
 public:
  virtual ~Server() = default;
  // Starts listening; the error (a WSError of type serverError) when the platform refuses.
  virtual ErrorPtr start(const std::string& address, uint16_t port) = 0;
};

}  // namespace qor
