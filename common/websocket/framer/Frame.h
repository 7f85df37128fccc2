// One received frame, and what the codec reports.
#pragma once

#include <cstdint>

#include "common/websocket/AnyError.h"
#include "common/websocket/VariantEvent.h"
#include "common/websocket/framer/FrameCodes.h"
#include "platform/Bytes.h"

namespace qor {

struct Frame {
  bool isFin = false;
  // The first frame of a compressed message (RSV1 on a negotiated connection).
  bool needsDecompression = false;
  bool isMasked = false;
  FrameOpCode opcode = FrameOpCode::unknown;
  // Bytes handed on; for a close frame without the two code bytes.
  uint64_t payloadLength = 0;
  // Unmasked; for a close frame the reason only.
  platform::Bytes payload;
  // 1000 unless a close frame sets it.
  uint16_t closeCode = rawCode(CloseCode::normal);

  bool operator==(const Frame&) const = default;
};

struct FrameEventCases {
  struct Frame { qor::Frame frame; };
  struct Error { ErrorPtr error; };
};

struct FrameEvent : FrameEventCases, VariantEvent<FrameEventCases::Frame, FrameEventCases::Error> {
  using VariantEvent::VariantEvent;
};

}  // namespace qor
