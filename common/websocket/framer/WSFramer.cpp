#include "common/websocket/framer/WSFramer.h"

#include "common/websocket/framer/WSBytes.h"
#include "platform/Random.h"

namespace qor {

std::shared_ptr<WSFramer> WSFramer::create(bool isServer) {
  return std::shared_ptr<WSFramer>(new WSFramer(isServer));
}

WSFramer::WSFramer(bool isServer)
    : queue_(platform::SerialQueue::create("com.qor.websocket.framer")), isServer_(isServer) {}

void WSFramer::registerDelegate(std::weak_ptr<FramerEventClient> delegate) {
  std::lock_guard lock(delegateMutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<FramerEventClient> WSFramer::delegate() const {
  std::lock_guard lock(delegateMutex_);
  return delegate_.lock();
}

void WSFramer::add(platform::Bytes data) {
  queue_->postFor(weak_from_this(), [data = std::move(data)](const std::shared_ptr<WSFramer>& self) {
    self->receive(data);
  });
}

void WSFramer::reset(std::function<void()> thenOnQueue) {
  queue_->postFor(weak_from_this(), [thenOnQueue = std::move(thenOnQueue)](const std::shared_ptr<WSFramer>& self) {
    QOR_DCHECK_ON_QUEUE(self->queue_);
    self->buffer_.clear();
    self->ended_ = false;
    if (thenOnQueue) thenOnQueue();
  });
}

void WSFramer::afterReceived(std::function<void()> block) {
  queue_->postFor(weak_from_this(), [block = std::move(block)](const std::shared_ptr<WSFramer>&) { block(); });
}

void WSFramer::receive(const platform::Bytes& data) {
  QOR_DCHECK_ON_QUEUE(queue_);
  if (ended_) return;
  buffer_.insert(buffer_.end(), data.begin(), data.end());
  const FrameRules rules{isServer_, compressionNegotiated_, maximumFrameSize_};
  auto result = readFrames(buffer_.data(), buffer_.size(), rules, [this](FrameEvent event) {
    if (auto d = delegate()) d->frameProcessed(std::move(event));
  });
  ended_ = result.ended;
  if (ended_) {
    buffer_.clear();
  } else {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(result.consumed));
  }
}

platform::Bytes WSFramer::createWriteFrame(FrameOpCode opcode, std::span<const uint8_t> payload, bool isCompressed) {
  return frameBytes(!isServer_, opcode, payload, isCompressed);
}

platform::Bytes WSFramer::frameBytes(bool masked, FrameOpCode opcode, std::span<const uint8_t> payload,
                                     bool isCompressed) {
  const size_t n = payload.size();
  const size_t lengthBytes = n <= 125 ? 0 : (n <= 0xFFFF ? 2 : 8);
  const size_t headerSize = 2 + lengthBytes + (masked ? 4 : 0);
  // The payload is copied in behind the header and masked where it lies; the frame's memory is
  // never zero-filled first.
  platform::Bytes frame(headerSize);
  frame.reserve(headerSize + n);
  frame[0] = static_cast<uint8_t>(0x80 | static_cast<uint8_t>(opcode) | (isCompressed ? 0x40 : 0));
  if (lengthBytes == 0) {
    frame[1] = static_cast<uint8_t>(n);
  } else if (lengthBytes == 2) {
    frame[1] = 126;
    writeUint16(frame, 2, static_cast<uint16_t>(n));
  } else {
    frame[1] = 127;
    writeUint64(frame, 2, n);
  }
  if (masked) {
    frame[1] |= 0x80;
    if (!platform::secureRandomFill(frame.data() + 2 + lengthBytes, 4)) return {};
  }
  frame.insert(frame.end(), payload.begin(), payload.end());
  if (masked) maskBytes(frame.data() + headerSize, n, frame.data() + 2 + lengthBytes);
  return frame;
}

}  // namespace qor
