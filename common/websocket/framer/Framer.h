// The frame codec as its owner (the engine, the server connection) sees it.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "common/websocket/framer/Frame.h"
#include "platform/Bytes.h"

namespace qor {

// Receives the codec's frames and errors, one at a time, on the codec's serial queue. Each event is
// the client's own, so a payload can move on instead of being copied.
class FramerEventClient {
 public:
  virtual ~FramerEventClient() = default;
  virtual void frameProcessed(FrameEvent event) = 0;
};

class Framer {
 public:
  virtual ~Framer() = default;
  // Hands received bytes to the codec; they are read later, on its queue.
  virtual void add(platform::Bytes data) = 0;
  virtual void registerDelegate(std::weak_ptr<FramerEventClient> delegate) = 0;
  virtual platform::Bytes createWriteFrame(FrameOpCode opcode, std::span<const uint8_t> payload,
                                           bool isCompressed) = 0;
  // Whether this side offers compression (it has a handler).
  virtual void updateCompression(bool supports) = 0;
  virtual bool supportsCompression() = 0;
  // Whether the server accepted the offer; only then may RSV1 arrive.
  virtual void updateCompressionNegotiated(bool negotiated) = 0;
  // Forgets buffered bytes and the end of the previous connection, before a new start. Runs
  // `thenOnQueue` (when given) on the codec's queue right after, in order with the frames, so that
  // what lives on that queue (the owner's frame collector) can start over too.
  virtual void reset(std::function<void()> thenOnQueue = {}) = 0;
  // Runs `block` on the codec's queue once the bytes added before it have been read, so that what
  // the owner learns about the end of a connection reaches it after that connection's last frame.
  virtual void afterReceived(std::function<void()> block) = 0;
};

}  // namespace qor
