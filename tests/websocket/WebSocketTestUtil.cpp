#include "WebSocketTestUtil.h"

namespace wstest {

std::vector<Bytes> chunk(const Bytes& data, Chunking how, size_t at) {
  switch (how) {
    case Chunking::whole: return {data};
    case Chunking::split: {
      at = std::min(at, data.size());
      return {Bytes(data.begin(), data.begin() + at), Bytes(data.begin() + at, data.end())};
    }
    case Chunking::byteByByte: {
      std::vector<Bytes> out;
      for (uint8_t b : data) out.push_back(Bytes{b});
      return out;
    }
  }
  return {};
}

std::string chunkingName(Chunking how) {
  switch (how) {
    case Chunking::whole: return "whole";
    case Chunking::split: return "split";
    case Chunking::byteByByte: return "byteByByte";
  }
  return "?";
}

std::vector<qor::Frame> FrameRecorder::frames() {
  std::vector<qor::Frame> out;
  for (const auto& e : events()) {
    if (auto* f = e.as<qor::FrameEvent::Frame>()) out.push_back(f->frame);
  }
  return out;
}

std::vector<qor::WSError> FrameRecorder::errors() {
  std::vector<qor::WSError> out;
  for (const auto& e : events()) {
    if (auto* f = e.as<qor::FrameEvent::Error>()) {
      if (auto* ws = qor::errorAs<qor::WSError>(f->error)) out.push_back(*ws);
    }
  }
  return out;
}

CodecHarness::CodecHarness(bool isServer, bool negotiated) : framer(qor::WSFramer::create(isServer)) {
  framer->registerDelegate(recorder);
  framer->updateCompression(negotiated);
  framer->updateCompressionNegotiated(negotiated);
}

void CodecHarness::feed(const std::vector<Bytes>& chunks) {
  for (const auto& c : chunks) framer->add(c);
  wait();
}

void CodecHarness::wait() {
  framer->queue()->sync([] {});
}

}  // namespace wstest
