#include <gtest/gtest.h>

#include <mutex>

#include "WebSocketTestUtil.h"
#include "platform/URL.h"
#include "tests/support/FakeTransport.h"

namespace {

class StateRecorder : public qor::TransportEventClient {
 public:
  explicit StateRecorder(std::shared_ptr<platform::SerialQueue> queue) : queue_(std::move(queue)) {}
  void connectionChanged(const qor::ConnectionState& state) override {
    std::lock_guard lock(mutex_);
    onQueue = onQueue && queue_->isCurrent();
    indexes.push_back(state.value.index());
    if (auto* r = state.as<qor::ConnectionState::Receive>()) received.insert(received.end(), r->data.begin(), r->data.end());
  }
  std::mutex mutex_;
  std::shared_ptr<platform::SerialQueue> queue_;
  bool onQueue = true;
  std::vector<size_t> indexes;
  platform::Bytes received;
};

// The fake behaves as the engine's tests will rely on: events in order on its queue, writes
// recorded and completed, disconnect reported.
TEST(FakeTransport, PlaysTheConnectionsSide) {
  auto transport = qortest::FakeTransport::create();
  auto client = std::make_shared<StateRecorder>(transport->queue());
  transport->registerDelegate(client);
  transport->connect(platform::URL::parse("wss://example.com/ws").value(), 60, nullptr);
  EXPECT_TRUE(transport->usingTLS());
  ASSERT_EQ(transport->connectCalls().size(), 1u);
  EXPECT_EQ(transport->connectCalls()[0].url, "wss://example.com/ws");

  transport->deliver(qor::ConnectionState::Connected{});
  transport->deliverBytes(wstest::hex("0102"));
  transport->deliverBytes(wstest::hex("03"));
  int completions = 0;
  qor::ErrorPtr seen = qor::makeError<qor::WSError>(qor::ErrorType::serverError, "x", 1);
  transport->write(wstest::hex("aa"), [&](qor::ErrorPtr e) { ++completions; seen = e; });
  transport->setHoldWrites(true);
  transport->write(wstest::hex("bb"), [&](qor::ErrorPtr) { ++completions; });
  transport->waitIdle();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(seen, nullptr);
  transport->completeHeldWrites();
  transport->disconnect();
  transport->waitIdle();

  EXPECT_EQ(completions, 2);
  EXPECT_EQ(transport->writes(), (std::vector<platform::Bytes>{wstest::hex("aa"), wstest::hex("bb")}));
  EXPECT_EQ(transport->disconnectCount(), 1);
  std::lock_guard lock(client->mutex_);
  EXPECT_TRUE(client->onQueue);
  EXPECT_EQ(client->indexes, (std::vector<size_t>{0, 6, 6, 2}));
  EXPECT_EQ(client->received, wstest::hex("010203"));
}

}  // namespace
