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

std::string describeEvent(const qor::FrameCollector::Event& e) {
  using Event = qor::FrameCollector::Event;
  if (auto* t = e.as<Event::Text>()) return "text:" + t->string;
  if (auto* b = e.as<Event::Binary>()) return "binary:" + platform::stringFromBytes(b->data);
  if (auto* p = e.as<Event::Ping>()) return "ping:" + platform::stringFromBytes(p->data.value_or(Bytes{}));
  if (auto* p = e.as<Event::Pong>()) return "pong:" + platform::stringFromBytes(p->data.value_or(Bytes{}));
  if (auto* c = e.as<Event::Closed>()) return "closed:" + std::to_string(c->code) + ":" + c->reason;
  if (auto* er = e.as<Event::Error>()) {
    auto* ws = qor::errorAs<qor::WSError>(er->error);
    return "error:" + std::to_string(ws ? ws->code() : 0) + ":" + (ws ? ws->message() : "?");
  }
  return "?";
}

std::shared_ptr<ClientPipeline> ClientPipeline::create(std::shared_ptr<qor::WSCompression> compression) {
  auto p = std::make_shared<ClientPipeline>();
  p->compression = std::move(compression);
  p->framer->updateCompression(p->compression != nullptr);
  p->framer->updateCompressionNegotiated(p->compression && p->compression->isNegotiated());
  p->framer->registerDelegate(p);
  p->collector.setDelegate(p);
  return p;
}

void ClientPipeline::frameProcessed(qor::FrameEvent event) {
  if (auto* f = event.as<qor::FrameEvent::Frame>()) return collector.add(std::move(f->frame));
  auto* ws = qor::errorAs<qor::WSError>(std::get<qor::FrameEvent::Error>(event.value).error);
  std::lock_guard lock(mutex_);
  lines_.push_back("error:" + std::to_string(ws->code()) + ":" + ws->message());
}

void ClientPipeline::didForm(qor::FrameCollector::Event event) {
  std::lock_guard lock(mutex_);
  lines_.push_back(describeEvent(event));
}

qor::DecompressResult ClientPipeline::decompress(const Bytes& data, bool isFinal) {
  if (!compression) return qor::WSError(qor::ErrorType::compressionError, "no handler", 1007);
  return compression->decompress(data, isFinal);
}

void ClientPipeline::feed(const std::vector<Bytes>& chunks) {
  for (const auto& c : chunks) framer->add(c);
  framer->queue()->sync([] {});
}

std::vector<std::string> ClientPipeline::lines() {
  std::lock_guard lock(mutex_);
  return lines_;
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
