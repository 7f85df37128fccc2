// Reads one RFC 6455 frame from the front of a byte range. Pure code: no queue, no state, so every
// rule can be pinned with byte fixtures. Each rule that can fail sits in one place with its own text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "common/websocket/VariantEvent.h"
#include "common/websocket/WSError.h"
#include "common/websocket/framer/Frame.h"

namespace qor {

// Frames above this size are refused with 1009 unless the owner sets another limit.
inline constexpr uint64_t kDefaultMaximumFrameSize = 16u * 1024 * 1024;

struct FrameRules {
  // Server role: frames must arrive masked. Client role: they must not.
  bool isServer = false;
  // RSV1 is allowed, on the first frame of a text or binary message, only once deflate was negotiated.
  bool compressionNegotiated = false;
  uint64_t maximumFrameSize = kDefaultMaximumFrameSize;
};

struct ProcessEventCases {
  // The frame and the number of bytes it occupied.
  struct ProcessedFrame { Frame frame; size_t length = 0; };
  struct Failed { WSError error; };
  struct NeedsMoreData {};
};

struct ProcessEvent : ProcessEventCases,
                      VariantEvent<ProcessEventCases::ProcessedFrame, ProcessEventCases::Failed,
                                   ProcessEventCases::NeedsMoreData> {
  using VariantEvent::VariantEvent;
};

ProcessEvent readFrame(const uint8_t* data, size_t size, const FrameRules& rules);

// Reads frames from the front of the range until more bytes are needed, a frame fails or a close
// frame was read; each frame and the failure go to `sink` in order. `ended`: a close frame or a
// failure was read, and nothing after it belongs to the connection.
struct ReadFramesResult {
  size_t consumed = 0;
  bool ended = false;
};
ReadFramesResult readFrames(const uint8_t* data, size_t size, const FrameRules& rules,
                            const std::function<void(FrameEvent)>& sink);

// The failure texts, for callers and tests that name the rule.
namespace frame_error {
inline constexpr const char* kMaskedOrRSV = "masked and rsv data is not currently supported";
inline constexpr const char* kUnmasked = "client frames must be masked";
inline constexpr const char* kUnknownOpcode = "unknown opcode: ";
inline constexpr const char* kFragmentedControl = "control frames can't be fragmented";
inline constexpr const char* kControlTooLong = "payload length is longer than allowed for a control frame";
inline constexpr const char* kInvalidLength = "payload length is invalid";
inline constexpr const char* kFrameTooBig = "payload length is longer than allowed";
}  // namespace frame_error

}  // namespace qor
