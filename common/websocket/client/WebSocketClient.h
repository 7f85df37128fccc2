// What a client of the WebSocket stack can ask of a socket: connect, close, and send messages and
// control frames. Completions run once the frame was handed to the network and never for a frame
// that was dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/websocket/framer/FrameCodes.h"
#include "platform/Bytes.h"

namespace qor {

class WebSocketClient {
 public:
  using Completion = std::function<void()>;

  virtual ~WebSocketClient() = default;

  virtual void connect() = 0;
  virtual void disconnect(uint16_t closeCode) = 0;
  virtual void writeString(const std::string& string, Completion completion) = 0;
  // Bytes that hold text, sent as a text frame as they are.
  virtual void writeStringData(platform::Bytes data, Completion completion) = 0;
  virtual void writeData(platform::Bytes data, Completion completion) = 0;
  virtual void writePing(platform::Bytes data, Completion completion) = 0;
  virtual void writePong(platform::Bytes data, Completion completion) = 0;

  // Shorthands: no completion; a normal close.
  void writeString(const std::string& string) { writeString(string, nullptr); }
  void writeData(platform::Bytes data) { writeData(std::move(data), nullptr); }
  void writePing(platform::Bytes data) { writePing(std::move(data), nullptr); }
  void writePong(platform::Bytes data) { writePong(std::move(data), nullptr); }
  void disconnect() { disconnect(rawCode(CloseCode::normal)); }
};

}  // namespace qor
