// Helpers of the WebSocket tests: byte literals, chunkings, and recorders for codec and collector.
#pragma once

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/websocket/compression/WSCompression.h"
#include "common/websocket/framer/FrameCollector.h"
#include "common/websocket/framer/WSFramer.h"
#include "platform/Bytes.h"

namespace wstest {

using platform::Bytes;

inline Bytes bytes(std::initializer_list<int> list) {
  Bytes b;
  for (int v : list) b.push_back(static_cast<uint8_t>(v));
  return b;
}
inline Bytes hex(const std::string& h) { return platform::bytesFromHex(h).value(); }
inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The ways a byte stream is cut into reads: whole, split at `at`, one byte at a time.
enum class Chunking { whole, split, byteByByte };
std::vector<Bytes> chunk(const Bytes& data, Chunking how, size_t at = 0);
std::string chunkingName(Chunking how);

class FrameRecorder : public qor::FramerEventClient {
 public:
  void frameProcessed(qor::FrameEvent event) override {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<qor::FrameEvent> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<qor::Frame> frames();
  // The errors' WSError values, in order.
  std::vector<qor::WSError> errors();

 private:
  std::mutex mutex_;
  std::vector<qor::FrameEvent> events_;
};

// A codec with a recorder registered; `feed` hands chunks and waits until the codec read them.
struct CodecHarness {
  explicit CodecHarness(bool isServer = false, bool negotiated = false);
  void feed(const std::vector<Bytes>& chunks);
  void feed(const Bytes& data) { feed(std::vector<Bytes>{data}); }
  void wait();

  std::shared_ptr<qor::WSFramer> framer;
  std::shared_ptr<FrameRecorder> recorder = std::make_shared<FrameRecorder>();
};

class CollectorRecorder : public qor::FrameCollectorDelegate {
 public:
  void didForm(qor::FrameCollector::Event event) override { events.push_back(std::move(event)); }
  qor::DecompressResult decompress(const Bytes& data, bool isFinal) override {
    decompressCalls.push_back({data, isFinal});
    if (inflate) return inflate(data, isFinal);
    return data;
  }
  std::function<qor::DecompressResult(const Bytes&, bool)> inflate;
  std::vector<qor::FrameCollector::Event> events;
  std::vector<std::pair<Bytes, bool>> decompressCalls;
};

// One line per event: "text:hi", "binary:<bytes>", "ping:<bytes>", "pong:<bytes>",
// "closed:<code>:<reason>", "error:<code>:<message>".
std::string describeEvent(const qor::FrameCollector::Event& event);

// The client's reading side as the engine joins it: a codec, a collector on it and, when given,
// a deflate handler whose negotiation the codec is told about. Codec errors become error lines too.
class ClientPipeline : public qor::FramerEventClient,
                       public qor::FrameCollectorDelegate,
                       public std::enable_shared_from_this<ClientPipeline> {
 public:
  static std::shared_ptr<ClientPipeline> create(std::shared_ptr<qor::WSCompression> compression = nullptr);

  void frameProcessed(qor::FrameEvent event) override;
  void didForm(qor::FrameCollector::Event event) override;
  qor::DecompressResult decompress(const Bytes& data, bool isFinal) override;

  // Hands the chunks to the codec and waits until it read them.
  void feed(const std::vector<Bytes>& chunks);
  void feed(const Bytes& data) { feed(std::vector<Bytes>{data}); }
  std::vector<std::string> lines();

  std::shared_ptr<qor::WSCompression> compression;
  std::shared_ptr<qor::WSFramer> framer = qor::WSFramer::create(false);
  qor::FrameCollector collector;

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A frame as the server side of the tests writes it (unmasked) or a client writes it (masked).
inline Bytes serverFrame(qor::FrameOpCode op, const Bytes& payload, bool fin = true, bool rsv1 = false) {
  Bytes f = qor::WSFramer::frameBytes(false, op, payload, rsv1);
  if (!fin) f[0] &= 0x7F;
  return f;
}

}  // namespace wstest
