// What the front class asks of an engine: open and close one connection and send messages on it.
// Everything the engine learns comes back as events to its EngineDelegate.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/websocket/engine/EngineDelegate.h"
#include "common/websocket/framer/FrameCodes.h"
#include "platform/Bytes.h"
#include "platform/URLRequest.h"

namespace qor {

class Engine {
 public:
  // Runs once the frame was handed to the network; never for a frame that was dropped.
  using WriteCompletion = std::function<void()>;

  virtual ~Engine() = default;

  virtual void registerDelegate(std::weak_ptr<EngineDelegate> delegate) = 0;
  virtual void start(const platform::URLRequest& request) = 0;
  virtual void stop(uint16_t closeCode) = 0;
  virtual void forceStop() = 0;
  virtual void writeData(platform::Bytes data, FrameOpCode opcode, WriteCompletion completion) = 0;
  virtual void writeString(const std::string& string, WriteCompletion completion) = 0;
};

}  // namespace qor
