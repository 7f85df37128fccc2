#include "tests/engine/support/EngineTestSupport.h"

#include <thread>

#include <gtest/gtest.h>

#include "common/websocket/WSError.h"
#include "common/websocket/engine/WSEngine.h"
#include "common/websocket/framer/FrameReader.h"
#include "common/websocket/framer/WSFramer.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "common/websocket/client/WebSocket.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/Clock.h"
#include "platform/socket/internal/Channel.h"

namespace enginetest {

std::string describeError(const qor::ErrorPtr& error) {
  if (!error) return "none";
  if (const auto* ws = qor::errorAs<qor::WSError>(error)) {
    return std::string("WSError(") + qor::errorTypeName(ws->type()) + "," + std::to_string(ws->code()) + "," +
           ws->message() + ")";
  }
  if (const auto* upgrade = qor::errorAs<qor::HTTPUpgradeError>(error)) {
    return "HTTPUpgradeError(" + std::to_string(static_cast<int>(upgrade->kind())) + "," +
           std::to_string(upgrade->status()) + ")";
  }
  auto bridged = error->bridged();
  return bridged.domain + "(" + std::to_string(bridged.code) + ")";
}

std::string describeEvent(const qor::WebSocketEvent& event) {
  using E = qor::WebSocketEvent;
  auto text = [](const platform::OptBytes& b) { return platform::stringFromBytes(b.value_or(Bytes{})); };
  if (event.as<E::Connected>()) return "connected";
  if (const auto* e = event.as<E::Disconnected>()) return "disconnected:" + std::to_string(e->code) + ":" + e->reason;
  if (const auto* e = event.as<E::Text>()) return "text:" + e->string;
  if (const auto* e = event.as<E::Binary>()) return "binary:" + std::to_string(e->data.size());
  if (const auto* e = event.as<E::Ping>()) return "ping:" + text(e->data);
  if (const auto* e = event.as<E::Pong>()) return "pong:" + text(e->data);
  if (const auto* e = event.as<E::Error>()) return "error:" + describeError(e->error);
  if (const auto* e = event.as<E::ViabilityChanged>()) return std::string("viability:") + (e->isViable ? "1" : "0");
  if (const auto* e = event.as<E::ReconnectSuggested>()) return std::string("better:") + (e->betterPathAvailable ? "1" : "0");
  if (event.as<E::Cancelled>()) return "cancelled";
  return "?";
}

void EventLog::add(std::string line) {
  {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  cv_.notify_all();
}

std::vector<std::string> EventLog::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool EventLog::waitFor(const std::function<bool(const std::vector<std::string>&)>& done,
                       std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, limit, [&] { return done(lines_); });
}

bool EventLog::waitForLine(const std::string& line, std::chrono::milliseconds limit) const {
  return waitFor([&](const auto& lines) { return std::find(lines.begin(), lines.end(), line) != lines.end(); }, limit);
}

size_t EventLog::count(const std::string& prefix) const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(),
                                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

void EngineRecorder::didReceive(qor::WebSocketEvent event) { log.add(describeEvent(event)); }

Bytes serverFrame(qor::FrameOpCode opcode, const Bytes& payload, bool fin, bool rsv1) {
  Bytes frame = qor::WSFramer::frameBytes(false, opcode, payload, rsv1);
  if (!fin) frame[0] &= 0x7F;
  return frame;
}

Bytes serverFrame(qor::FrameOpCode opcode, const std::string& payload, bool fin) {
  return serverFrame(opcode, platform::bytesFromString(payload), fin);
}

Bytes closePayload(uint16_t code, const std::string& reason) {
  Bytes payload = platform::bytesFromString(reason);
  payload.insert(payload.begin(), {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)});
  return payload;
}

size_t FakeServer::lastUpgradeIndex() const {
  auto writes = transport_->writes();
  for (size_t i = writes.size(); i > 0; --i) {
    if (platform::stringFromBytes(writes[i - 1]).rfind("GET ", 0) == 0) return i - 1;
  }
  return writes.size();
}

std::string FakeServer::lastKey() const {
  auto writes = transport_->writes();
  const size_t index = lastUpgradeIndex();
  if (index >= writes.size()) return {};
  const std::string request = platform::stringFromBytes(writes[index]);
  const std::string field = "Sec-WebSocket-Key: ";
  auto at = request.find(field);
  if (at == std::string::npos) return {};
  at += field.size();
  return request.substr(at, request.find("\r\n", at) - at);
}

std::string FakeServer::acceptAnswer(const std::string& extraLines) const {
  return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: " +
         qor::FoundationSecurity::acceptValue(lastKey()) + "\r\n" + extraLines + "\r\n";
}

bool FakeServer::waitForWrites(size_t count, std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (transport_->writes().size() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void FakeServer::connectAndAccept(const std::string& extraLines) {
  const size_t before = transport_->writes().size();
  transport_->deliver(qor::ConnectionState::Connected{});
  waitForWrites(before + 1);
  transport_->deliverBytes(platform::bytesFromString(acceptAnswer(extraLines)));
  transport_->waitIdle();
}

std::vector<qor::Frame> FakeServer::clientFrames() const {
  auto writes = transport_->writes();
  std::vector<qor::Frame> frames;
  const qor::FrameRules rules{true, true, qor::kDefaultMaximumFrameSize};
  for (size_t i = lastUpgradeIndex() + 1; i < writes.size(); ++i) {
    auto event = qor::readFrame(writes[i].data(), writes[i].size(), rules);
    const auto* processed = event.as<qor::ProcessEvent::ProcessedFrame>();
    if (processed && processed->length == writes[i].size()) {
      frames.push_back(processed->frame);
    } else {
      frames.push_back(qor::Frame{});
    }
  }
  return frames;
}

std::vector<std::string> FakeServer::clientFrameLines() const {
  std::vector<std::string> lines;
  for (const auto& frame : clientFrames()) {
    switch (frame.opcode) {
      case qor::FrameOpCode::connectionClose: lines.push_back("close:" + std::to_string(frame.closeCode)); break;
      case qor::FrameOpCode::textFrame: lines.push_back("text:" + platform::stringFromBytes(frame.payload)); break;
      case qor::FrameOpCode::binaryFrame: lines.push_back("binary:" + std::to_string(frame.payload.size())); break;
      case qor::FrameOpCode::ping: lines.push_back("ping:" + platform::stringFromBytes(frame.payload)); break;
      case qor::FrameOpCode::pong: lines.push_back("pong:" + platform::stringFromBytes(frame.payload)); break;
      default: lines.push_back("?");
    }
  }
  return lines;
}

bool FakeServer::clientFrameCompressed(size_t index) const {
  auto writes = transport_->writes();
  const size_t at = lastUpgradeIndex() + 1 + index;
  return at < writes.size() && !writes[at].empty() && (writes[at][0] & 0x40) != 0;
}

std::shared_ptr<FakeTransportAdapter> FakeTransportAdapter::create(const std::string& url, double timeout) {
  platform::URLRequest request(platform::URL::parse(url));
  request.setTimeoutInterval(timeout);
  return std::shared_ptr<FakeTransportAdapter>(new FakeTransportAdapter(std::move(request)));
}

std::shared_ptr<qor::WebSocket> FakeTransportAdapter::socket() {
  if (!socket_) {
    socket_ = qor::WebSocket::create(urlRequest(), qor::WSEngine::create(transport));
    socket_->setDelegate(weak_from_this());
  }
  return socket_;
}

void SocketRecorder::didReceive(const qor::WebSocketEvent& event, const std::shared_ptr<qor::WebSocket>&) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  log.add(describeEvent(event));
}

std::vector<qor::WebSocketEvent> SocketRecorder::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

RecordedSocket makeSocket(const std::string& url, const platform::HTTPHeaderFields& fields,
                          std::shared_ptr<qor::CompressionHandler> compression, bool useCustomEngine) {
  platform::URLRequest request(platform::URL::parse(url));
  request.setAllHTTPHeaderFields(fields);
  RecordedSocket made;
  made.socket = qor::WebSocket::create(request, std::make_shared<qor::FoundationSecurity>(false), std::move(compression),
                                       useCustomEngine);
  made.recorder = std::make_shared<SocketRecorder>();
  made.socket->setDelegate(made.recorder);
  made.socket->setCallbackQueue(platform::SerialQueue::create("com.qor.test.socket-events"));
  return made;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool runMainUntil(const std::function<bool()>& done, double seconds) {
  return platform::MainQueue::shared()->runUntil(done, platform::seconds(seconds));
}

void settle() { platform::VirtualTime::waitForIdle(std::chrono::seconds(10)); }

namespace {

// Sockets still closing when the program ends would race with the TLS library's clean-up at exit.
class LetSocketsClose : public ::testing::Environment {
 public:
  void TearDown() override { platform::detail::Channel::waitForAllThreads(std::chrono::seconds(10)); }
};

[[maybe_unused]] ::testing::Environment* const kLetSocketsClose =
    ::testing::AddGlobalTestEnvironment(new LetSocketsClose());

}  // namespace

}  // namespace enginetest
