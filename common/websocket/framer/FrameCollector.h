// Joins the frames of one connection into messages and control events. It sends nothing itself:
// answering pings and close frames is its owner's job.
//
// No queue of its own: the owner calls `add` on its codec's serial queue and events are
// formed synchronously, before `add` returns. The delegate is held weakly.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "common/websocket/AnyError.h"
#include "common/websocket/VariantEvent.h"
#include "common/websocket/WSError.h"
#include "common/websocket/compression/DecompressResult.h"
#include "common/websocket/framer/Frame.h"
#include "platform/Bytes.h"

namespace qor {

// Messages above this size fail with 1009 unless the owner sets another limit.
inline constexpr uint64_t kDefaultMaximumMessageSize = 16u * 1024 * 1024;

class FrameCollectorDelegate;

class FrameCollector {
 public:
  struct EventCases {
    struct Text { std::string string; };
    struct Binary { platform::Bytes data; };
    struct Pong { platform::OptBytes data; };
    struct Ping { platform::OptBytes data; };
    struct Error { ErrorPtr error; };
    struct Closed { std::string reason; uint16_t code = 0; };
  };
  struct Event : EventCases,
                 VariantEvent<EventCases::Text, EventCases::Binary, EventCases::Pong, EventCases::Ping,
                              EventCases::Error, EventCases::Closed> {
    using VariantEvent::VariantEvent;
  };

  FrameCollector() = default;

  void setDelegate(std::weak_ptr<FrameCollectorDelegate> delegate);
  void setMaximumMessageSize(uint64_t bytes) { maximumMessageSize_ = bytes; }

  // Forms at most one event. The payload of a message in one frame becomes the message itself.
  void add(Frame frame);
  // Drops the message being assembled.
  void reset();

  bool isAssembling() const { return frameCount_ > 0; }

 private:
  void form(Event event);
  void fail(const char* message, uint16_t code);
  void addData(Frame& frame);
  std::shared_ptr<FrameCollectorDelegate> delegate() const;

  // Guarded: the owner may set it again while frames are being added.
  mutable std::mutex delegateMutex_;
  std::weak_ptr<FrameCollectorDelegate> delegate_;
  platform::Bytes buffer_;
  int64_t frameCount_ = 0;
  bool isText_ = false;
  bool needsDecompression_ = false;
  uint64_t maximumMessageSize_ = kDefaultMaximumMessageSize;
};

class FrameCollectorDelegate {
 public:
  virtual ~FrameCollectorDelegate() = default;
  virtual void didForm(FrameCollector::Event event) = 0;
  virtual DecompressResult decompress(const platform::Bytes& data, bool isFinal) = 0;
};

namespace collector_error {
inline constexpr const char* kFirstIsContinue = "first frame can't be a continue frame";
inline constexpr const char* kNotContinue = "second and beyond of fragment message must be a continue frame";
inline constexpr const char* kInvalidUTF8 = "not valid UTF-8 data";
inline constexpr const char* kMessageTooBig = "message is longer than allowed";
inline constexpr const char* kCloseReasonInvalid = "connection closed by server";
}  // namespace collector_error

}  // namespace qor
