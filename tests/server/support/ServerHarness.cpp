#include "tests/server/support/ServerHarness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "common/websocket/framer/WSFramer.h"

namespace servertest {

using qor::ServerEvent;

ServerHarness::ServerHarness(bool echo) {
  server->setOnEvent([state = state_, echo](const ServerEvent& event) { handle(state, event, echo); });
  EXPECT_EQ(server->start("127.0.0.1", 0), nullptr);
}

ServerHarness::~ServerHarness() {
  server->setOnEvent(nullptr);
  enginetest::settle();
}

std::string ServerHarness::url(const std::string& path) const {
  return "ws://127.0.0.1:" + std::to_string(port()) + path;
}

void ServerHarness::handle(const std::shared_ptr<State>& state, const ServerEvent& event, bool echo) {
  auto& log = state->log;
  auto text = [](const platform::OptBytes& b) { return platform::stringFromBytes(b.value_or(platform::Bytes{})); };
  if (const auto* e = event.as<ServerEvent::Connected>()) {
    {
      std::lock_guard lock(state->mutex);
      state->headers.push_back(e->headers);
      state->last = e->connection;
    }
    // The connection's own report of codec errors; set before its first frame can be read.
    if (auto own = std::dynamic_pointer_cast<qor::ServerConnection>(e->connection)) {
      own->setOnEvent([state](const qor::ConnectionEvent& ownEvent) {
        if (const auto* error = ownEvent.as<qor::ConnectionEvent::Error>()) {
          state->log.add("own error:" + enginetest::describeError(error->error));
        }
      });
    }
    log.add("connected");
  } else if (const auto* textEvent = event.as<ServerEvent::Text>()) {
    if (echo) textEvent->connection->write(platform::bytesFromString(textEvent->string), qor::FrameOpCode::textFrame);
    log.add("text:" + textEvent->string);
  } else if (const auto* binaryEvent = event.as<ServerEvent::Binary>()) {
    if (echo) binaryEvent->connection->write(binaryEvent->data, qor::FrameOpCode::binaryFrame);
    log.add("binary:" + std::to_string(binaryEvent->data.size()));
  } else if (const auto* pingEvent = event.as<ServerEvent::Ping>()) {
    if (echo) pingEvent->connection->write(pingEvent->data.value_or(platform::Bytes{}), qor::FrameOpCode::pong);
    log.add("ping:" + text(pingEvent->data));
  } else if (const auto* pongEvent = event.as<ServerEvent::Pong>()) {
    log.add("pong:" + text(pongEvent->data));
  } else if (const auto* endEvent = event.as<ServerEvent::Disconnected>()) {
    if (echo) endEvent->connection->write(enginetest::closePayload(endEvent->code, endEvent->reason), qor::FrameOpCode::connectionClose);
    log.add("disconnected:" + std::to_string(endEvent->code) + ":" + endEvent->reason);
  }
}

bool ServerHarness::waitForTableSize(size_t size, std::chrono::milliseconds limit) const {
  return enginetest::waitUntil([&] { return server->connectionIDs().size() == size; }, limit);
}

std::vector<qor::HeaderFields> ServerHarness::connectedHeaders() const {
  std::lock_guard lock(state_->mutex);
  return state_->headers;
}

std::shared_ptr<qor::Connection> ServerHarness::lastConnection() const {
  std::lock_guard lock(state_->mutex);
  return state_->last.lock();
}

RawClient::RawClient(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
  } else if (fd >= 0) {
    ::close(fd);
  }
}

RawClient::~RawClient() { drop(); }

void RawClient::drop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void RawClient::write(const platform::Bytes& bytes) {
  size_t sent = 0;
  while (fd_ >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

std::string RawClient::readUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (fd_ >= 0 && !peerEnded_ && !done(received_)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
      peerEnded_ = true;
      break;
    }
    received_.append(buffer, static_cast<size_t>(n));
  }
  return received_;
}

platform::Bytes clientFrame(qor::FrameOpCode opcode, const std::string& payload, bool fin) {
  auto frame = qor::WSFramer::frameBytes(true, opcode, platform::bytesFromString(payload), false);
  if (!fin) frame[0] &= 0x7F;
  return frame;
}

std::string upgradeRequest(const std::string& key, const std::string& extraLines) {
  return "GET /chat HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
         "Sec-WebSocket-Key: " + key + "\r\nSec-WebSocket-Version: 13\r\n" + extraLines + "\r\n";
}

}  // namespace servertest
