// The two code tables of the wire protocol (RFC 6455, sections 5.2 and 7.4.1).
#pragma once

#include <cstdint>
#include <optional>

namespace qor {

enum class FrameOpCode : uint8_t {
  continueFrame = 0,
  textFrame = 1,
  binaryFrame = 2,
  connectionClose = 8,
  ping = 9,
  pong = 10,
  unknown = 100,
};

// No value for a number outside the table (opcodes 3 to 7 and 11 to 15 among them).
constexpr std::optional<FrameOpCode> frameOpCodeFromRaw(uint8_t raw) {
  switch (raw) {
    case 0: case 1: case 2: case 8: case 9: case 10: case 100: return static_cast<FrameOpCode>(raw);
    default: return std::nullopt;
  }
}

// Close and ping. Pong is not counted: it is read like a data frame.
constexpr bool isControlFrame(FrameOpCode op) {
  return op == FrameOpCode::connectionClose || op == FrameOpCode::ping;
}

constexpr bool isDataOpCode(FrameOpCode op) {
  return op == FrameOpCode::textFrame || op == FrameOpCode::binaryFrame;
}

enum class CloseCode : uint16_t {
  normal = 1000,
  goingAway = 1001,
  protocolError = 1002,
  protocolUnhandledType = 1003,
  noStatusReceived = 1005,
  encoding = 1007,
  policyViolated = 1008,
  messageTooBig = 1009,
};

constexpr std::optional<CloseCode> closeCodeFromRaw(uint16_t raw) {
  switch (raw) {
    case 1000: case 1001: case 1002: case 1003: case 1005: case 1007: case 1008: case 1009:
      return static_cast<CloseCode>(raw);
    default: return std::nullopt;
  }
}

constexpr uint16_t rawCode(CloseCode code) { return static_cast<uint16_t>(code); }

// A received close code as the engine takes it: codes a peer may not send (below 1000, 1004 to
// 1006, 1014 to 2999) become 1002; 1000 to 1003, 1007 to 1013 and 3000 and above pass.
constexpr uint16_t receivedCloseCode(uint16_t wire) {
  if (wire < 1000 || (wire >= 1004 && wire <= 1006) || (wire >= 1014 && wire <= 2999)) {
    return rawCode(CloseCode::protocolError);
  }
  return wire;
}

}  // namespace qor
