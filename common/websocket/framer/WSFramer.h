// The RFC 6455 frame codec of one connection, client or server role.
//
// Received bytes are read on the codec's own serial queue, where frames and errors reach the
// delegate (held weakly) in arrival order. After a close frame or an error it delivers nothing more
// until `reset()`. `createWriteFrame` is pure and runs on the caller's thread. The compression flags
// and the limit are set while the owner sets the connection up, before data flows.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "common/websocket/framer/FrameReader.h"
#include "common/websocket/framer/Framer.h"
#include "platform/Queue.h"

namespace qor {

class WSFramer final : public Framer, public std::enable_shared_from_this<WSFramer> {
 public:
  static std::shared_ptr<WSFramer> create(bool isServer = false);

  void add(platform::Bytes data) override;
  void registerDelegate(std::weak_ptr<FramerEventClient> delegate) override;
  // FIN always set; the client role masks with a fresh key from the secure random source. Empty
  // when that source fails, rather than a predictable key.
  platform::Bytes createWriteFrame(FrameOpCode opcode, std::span<const uint8_t> payload, bool isCompressed) override;
  void updateCompression(bool supports) override { compressionEnabled_ = supports; }
  bool supportsCompression() override { return compressionEnabled_; }
  void updateCompressionNegotiated(bool negotiated) override { compressionNegotiated_ = negotiated; }
  void reset(std::function<void()> thenOnQueue = {}) override;
  void afterReceived(std::function<void()> block) override;

  // Frames announcing more payload than this fail with 1009.
  void setMaximumFrameSize(uint64_t bytes) { maximumFrameSize_ = bytes; }

  bool isServer() const { return isServer_; }
  const std::shared_ptr<platform::SerialQueue>& queue() const { return queue_; }

  // The frame bytes for a role, without touching a codec (both roles' writers in one place).
  static platform::Bytes frameBytes(bool masked, FrameOpCode opcode, std::span<const uint8_t> payload,
                                    bool isCompressed);

 private:
  explicit WSFramer(bool isServer);
  void receive(const platform::Bytes& data);
  std::shared_ptr<FramerEventClient> delegate() const;

  const std::shared_ptr<platform::SerialQueue> queue_;
  // Guarded: an owner may register again while the queue still reads an earlier connection.
  mutable std::mutex delegateMutex_;
  std::weak_ptr<FramerEventClient> delegate_;
  const bool isServer_;
  std::atomic<bool> compressionEnabled_{false};
  std::atomic<bool> compressionNegotiated_{false};
  std::atomic<uint64_t> maximumFrameSize_{kDefaultMaximumFrameSize};

  // Queue-confined.
  platform::Bytes buffer_;
  bool ended_ = false;
};

}  // namespace qor
