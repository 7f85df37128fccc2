#include "common/websocket/framer/FrameCollector.h"

#include "common/websocket/framer/UTF8.h"

namespace qor {

void FrameCollector::setDelegate(std::weak_ptr<FrameCollectorDelegate> delegate) {
  std::lock_guard lock(delegateMutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<FrameCollectorDelegate> FrameCollector::delegate() const {
  std::lock_guard lock(delegateMutex_);
  return delegate_.lock();
}

void FrameCollector::form(Event event) {
  if (auto d = delegate()) d->didForm(std::move(event));
}

void FrameCollector::fail(const char* message, uint16_t code) {
  reset();
  form(Event::Error{makeError<WSError>(ErrorType::protocolError, message, code)});
}

void FrameCollector::reset() {
  buffer_.clear();
  frameCount_ = 0;
}

void FrameCollector::add(Frame frame) {
  switch (frame.opcode) {
    case FrameOpCode::connectionClose:
      if (isValidUTF8(frame.payload)) {
        form(Event::Closed{platform::stringFromBytes(frame.payload), frame.closeCode});
      } else {
        form(Event::Closed{collector_error::kCloseReasonInvalid, rawCode(CloseCode::protocolError)});
      }
      return;
    case FrameOpCode::pong:
      form(Event::Pong{std::move(frame.payload)});
      return;
    case FrameOpCode::ping:
      form(Event::Ping{std::move(frame.payload)});
      return;
    default:
      addData(frame);
  }
}

void FrameCollector::addData(Frame& frame) {
  const bool isContinue = frame.opcode == FrameOpCode::continueFrame;
  if (isContinue && frameCount_ == 0) return fail(collector_error::kFirstIsContinue, rawCode(CloseCode::protocolError));
  if (!isContinue && frameCount_ > 0) return fail(collector_error::kNotContinue, rawCode(CloseCode::protocolError));
  if (frameCount_ == 0) {
    isText_ = frame.opcode == FrameOpCode::textFrame;
    needsDecompression_ = frame.needsDecompression;
  }

  platform::Bytes* data = &frame.payload;
  DecompressResult inflated;
  if (needsDecompression_) {
    auto d = delegate();
    if (!d) return reset();
    inflated = d->decompress(frame.payload, frame.isFin);
    if (auto* error = std::get_if<WSError>(&inflated)) {
      reset();
      return form(Event::Error{makeError<WSError>(*error)});
    }
    data = &std::get<platform::Bytes>(inflated);
  }
  // buffer_ never exceeds the limit, so the subtraction cannot wrap.
  if (data->size() > maximumMessageSize_ - buffer_.size()) {
    return fail(collector_error::kMessageTooBig, rawCode(CloseCode::messageTooBig));
  }
  platform::Bytes message;
  if (frameCount_ == 0 && frame.isFin) {
    message = std::move(*data);  // a message in one frame needs no assembling
  } else {
    buffer_.insert(buffer_.end(), data->begin(), data->end());
    ++frameCount_;
    if (!frame.isFin) return;
    message = std::move(buffer_);
  }
  reset();
  if (!isText_) return form(Event::Binary{std::move(message)});
  if (!isValidUTF8(message)) return form(Event::Error{makeError<WSError>(
      ErrorType::protocolError, collector_error::kInvalidUTF8, rawCode(CloseCode::protocolError))});
  form(Event::Text{platform::stringFromBytes(message)});
}

}  // namespace qor
