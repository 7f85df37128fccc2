// One received frame, and what the codec reports.
#pragma once

#include <cstdint>
#include <variant>

#include "common/websocket/AnyError.h"
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

struct FrameEvent {
  struct Frame { qor::Frame frame; };
  struct Error { ErrorPtr error; };
  using Value = std::variant<Frame, Error>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  FrameEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

}  // namespace qor
