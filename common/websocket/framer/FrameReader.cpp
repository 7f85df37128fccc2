#include "common/websocket/framer/FrameReader.h"

#include <string>

#include "common/websocket/framer/WSBytes.h"

namespace qor {

namespace {

constexpr uint8_t kFin = 0x80;
constexpr uint8_t kRSV1 = 0x40;
constexpr uint8_t kRSV2and3 = 0x30;
constexpr uint8_t kOpMask = 0x0F;
constexpr uint8_t kMask = 0x80;
constexpr uint8_t kLen7 = 0x7F;

ProcessEvent fail(std::string message, CloseCode code = CloseCode::protocolError) {
  return ProcessEvent::Failed{WSError(ErrorType::protocolError, std::move(message), rawCode(code))};
}

// RSV2 and RSV3 have no meaning on any connection of ours; RSV1 marks the first frame of a
// compressed message (RFC 7692, section 6), so it is refused on continuations and control frames.
bool reservedBitsAllowed(uint8_t byte0, FrameOpCode op, const FrameRules& rules) {
  if (byte0 & kRSV2and3) return false;
  if (!(byte0 & kRSV1)) return true;
  return rules.compressionNegotiated && isDataOpCode(op);
}

}  // namespace

ProcessEvent readFrame(const uint8_t* data, size_t size, const FrameRules& rules) {
  if (size < 2) return ProcessEvent::NeedsMoreData{};
  const uint8_t byte0 = data[0];
  const uint8_t byte1 = data[1];
  const uint8_t rawOp = byte0 & kOpMask;
  const FrameOpCode op = frameOpCodeFromRaw(rawOp).value_or(FrameOpCode::unknown);
  const bool fin = byte0 & kFin;
  const bool masked = byte1 & kMask;
  const uint8_t len7 = byte1 & kLen7;

  // A client that skipped a server's masking key would lose its place in the stream.
  if (!rules.isServer && masked) return fail(frame_error::kMaskedOrRSV);
  if (rules.isServer && !masked) return fail(frame_error::kUnmasked);
  if (!reservedBitsAllowed(byte0, op, rules)) return fail(frame_error::kMaskedOrRSV);
  if (op == FrameOpCode::unknown) return fail(frame_error::kUnknownOpcode + std::to_string(rawOp));
  if (isControlFrame(op) && !fin) return fail(frame_error::kFragmentedControl);
  if (isControlFrame(op) && len7 > 125) return fail(frame_error::kControlTooLong);

  size_t offset = 2;
  uint64_t dataLength = len7;
  if (len7 == 127) {
    if (size < offset + 8) return ProcessEvent::NeedsMoreData{};
    dataLength = readUint64(data, offset);
    offset += 8;
    if (dataLength >> 63) return fail(frame_error::kInvalidLength);
  } else if (len7 == 126) {
    if (size < offset + 2) return ProcessEvent::NeedsMoreData{};
    dataLength = readUint16(data, offset);
    offset += 2;
  }
  if (dataLength > rules.maximumFrameSize) return fail(frame_error::kFrameTooBig, CloseCode::messageTooBig);

  size_t maskStart = 0;
  if (masked) {
    if (size < offset + 4) return ProcessEvent::NeedsMoreData{};
    maskStart = offset;
    offset += 4;
  }
  // offset <= size here, so the subtraction cannot wrap and the comparison is exact.
  if (static_cast<uint64_t>(size - offset) < dataLength) return ProcessEvent::NeedsMoreData{};
  const size_t length = static_cast<size_t>(dataLength);

  Frame frame;
  frame.isFin = fin;
  frame.needsDecompression = (byte0 & kRSV1) != 0;
  frame.isMasked = masked;
  frame.opcode = op;
  frame.payload = masked ? unmaskData(data, maskStart, offset, length)
                         : platform::Bytes(data + offset, data + offset + length);

  if (op == FrameOpCode::connectionClose) {
    if (length == 1) {
      frame.closeCode = rawCode(CloseCode::protocolError);
      frame.payload.clear();
    } else if (length >= 2) {
      frame.closeCode = receivedCloseCode(readUint16(frame.payload, 0));
      frame.payload.erase(frame.payload.begin(), frame.payload.begin() + 2);
    }
  }
  frame.payloadLength = frame.payload.size();
  return ProcessEvent::ProcessedFrame{std::move(frame), offset + length};
}

ReadFramesResult readFrames(const uint8_t* data, size_t size, const FrameRules& rules,
                            const std::function<void(FrameEvent)>& sink) {
  ReadFramesResult result;
  while (!result.ended) {
    ProcessEvent event = readFrame(data + result.consumed, size - result.consumed, rules);
    if (event.as<ProcessEvent::NeedsMoreData>()) break;
    if (auto* failed = event.as<ProcessEvent::Failed>()) {
      result.ended = true;
      sink(FrameEvent::Error{makeError<WSError>(failed->error)});
      break;
    }
    auto& processed = std::get<ProcessEvent::ProcessedFrame>(event.value);
    result.consumed += processed.length;
    // Nothing a peer sends after its close frame belongs to the connection any more.
    result.ended = processed.frame.opcode == FrameOpCode::connectionClose;
    sink(FrameEvent::Frame{std::move(processed.frame)});
  }
  return result;
}

}  // namespace qor
