// What the tests of both channels share: virtual time, and prepares and sends whose one call (or
// more) is recorded with its values, the time it came and whether it came on the main queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "common/channel/QORWebSocketChannel.h"
#include "platform/Clock.h"
#include "platform/Queue.h"
#include "tests/engine/support/EngineTestSupport.h"

namespace channeltest {

struct Prepared {
  int calls = 0;
  bool ready = false;
  bool onMain = true;
  platform::TimePoint at{};
};

struct Answered {
  int calls = 0;
  std::string text;
  std::optional<platform::Error> error;
  int64_t status = 0;
  bool onMain = true;
  platform::TimePoint at{};
};

class ChannelFixture : public ::testing::Test {
 public:  // the case tables act on the fixture
  void SetUp() override { time.emplace(); }
  void TearDown() override {
    enginetest::settle();
    platform::MainQueue::shared()->clear();
    time.reset();
  }

  virtual qor::QORWebSocketChannel& channelUnderTest() = 0;

  std::shared_ptr<Prepared> prepare(bool reconnect = false) {
    auto out = std::make_shared<Prepared>();
    channelUnderTest().prepareWithReconnection(reconnect, [out](bool ready) {
      ++out->calls;
      out->ready = ready;
      out->onMain = out->onMain && platform::MainQueue::shared()->isCurrent();
      out->at = platform::Clock::now();
    });
    return out;
  }
  std::shared_ptr<Answered> send(const std::string& text) {
    auto out = std::make_shared<Answered>();
    channelUnderTest().sendMessage(platform::bytesFromString(text),
                                   [out](platform::OptBytes data, std::optional<platform::Error> error, int64_t status) {
                                     ++out->calls;
                                     out->text = platform::stringFromBytes(data.value_or(platform::Bytes{}));
                                     out->error = std::move(error);
                                     out->status = status;
                                     out->onMain = out->onMain && platform::MainQueue::shared()->isCurrent();
                                     out->at = platform::Clock::now();
                                   });
    return out;
  }
  // Runs the main queue a while longer, to catch a second call.
  void linger() { platform::MainQueue::shared()->runFor(platform::seconds(1)); }

  std::optional<platform::VirtualTime> time;
};

}  // namespace channeltest
