// Feeds arbitrary bytes, cut into arbitrary reads, to the frame reader and the collector in both
// roles, with and without deflate, and checks what must hold whatever arrives.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "common/websocket/compression/WSCompression.h"
#include "common/websocket/framer/FrameCollector.h"
#include "common/websocket/framer/FrameReader.h"
#include "common/websocket/framer/UTF8.h"

namespace {

constexpr uint64_t kLimit = 1 << 20;

#define QOR_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) abort();    \
  } while (0)

class Sink : public qor::FrameCollectorDelegate {
 public:
  explicit Sink(std::shared_ptr<qor::WSCompression> c) : compression(std::move(c)) {}
  void didForm(qor::FrameCollector::Event event) override {
    if (auto* t = event.as<qor::FrameCollector::Event::Text>()) {
      QOR_FUZZ_CHECK(qor::isValidUTF8(reinterpret_cast<const uint8_t*>(t->string.data()), t->string.size()));
      QOR_FUZZ_CHECK(t->string.size() <= kLimit);
    }
    if (auto* b = event.as<qor::FrameCollector::Event::Binary>()) QOR_FUZZ_CHECK(b->data.size() <= kLimit);
    if (auto* e = event.as<qor::FrameCollector::Event::Error>()) {
      auto* ws = qor::errorAs<qor::WSError>(e->error);
      QOR_FUZZ_CHECK(ws && ws->code() >= 1000);
    }
  }
  qor::DecompressResult decompress(const platform::Bytes& data, bool isFinal) override {
    return compression->decompress(data, isFinal);
  }
  std::shared_ptr<qor::WSCompression> compression;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const uint8_t cut = data[1];
  data += 2;
  size -= 2;

  auto compression = std::make_shared<qor::WSCompression>();
  compression->setMaximumInflatedSize(kLimit);
  if (flags & 2) compression->load({{"Sec-WebSocket-Extensions", "permessage-deflate; server_no_context_takeover"}});
  const qor::FrameRules rules{(flags & 1) != 0, compression->isNegotiated(), kLimit};
  auto sink = std::make_shared<Sink>(compression);
  qor::FrameCollector collector;
  collector.setDelegate(sink);
  collector.setMaximumMessageSize(kLimit);

  // The stream arrives in reads of `cut` bytes (at least one), kept in a buffer as the codec does.
  const size_t step = cut == 0 ? size : cut;
  platform::Bytes buffer;
  for (size_t pos = 0; pos < size; pos += step) {
    const size_t n = std::min(step, size - pos);
    buffer.insert(buffer.end(), data + pos, data + pos + n);
    auto result = qor::readFrames(buffer.data(), buffer.size(), rules, [&](qor::FrameEvent event) {
      if (auto* f = event.as<qor::FrameEvent::Frame>()) {
        QOR_FUZZ_CHECK(f->frame.payload.size() <= kLimit);
        QOR_FUZZ_CHECK(f->frame.payloadLength == f->frame.payload.size());
        collector.add(f->frame);
      }
    });
    QOR_FUZZ_CHECK(result.consumed <= buffer.size());
    if (result.ended) break;
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(result.consumed));
    // A frame that waits holds at most its header and the largest payload allowed.
    QOR_FUZZ_CHECK(buffer.size() <= kLimit + 14 + step);
  }
  return 0;
}
