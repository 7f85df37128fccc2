#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"

using platform::Notification;
using platform::NotificationCenter;

namespace {

struct Observer {
  std::vector<std::string> seen;
  void onNotification(const Notification& n) { seen.push_back(n.name); }
};

TEST(NotificationCenter, ObserversAreCalledInOrderWhileAliveAndNotOnceGone) {
  auto center = NotificationCenter::create();
  std::vector<std::string> order;
  auto first = std::make_shared<Observer>();
  auto second = std::make_shared<Observer>();
  center->addObserver(first, "ping", [&](const Notification& n) {
    order.push_back("first");
    EXPECT_EQ(n.userInfo, (platform::Json{{"k", 1}}));
  });
  center->addObserver(second, "ping", [&](const Notification&) { order.push_back("second"); });
  center->addObserver(second, "pong", &Observer::onNotification);
  center->postNotificationName("ping", nullptr, {{"k", 1}});
  center->postNotificationName("pong");
  center->postNotificationName("other");
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(second->seen, (std::vector<std::string>{"pong"}));
  EXPECT_EQ(center->observerCount(), 3u);

  // Held weakly: an observer that went away is neither kept alive nor called.
  std::weak_ptr<Observer> weakFirst = first;
  first.reset();
  EXPECT_TRUE(weakFirst.expired());
  order.clear();
  center->postNotificationName("ping");
  EXPECT_EQ(order, (std::vector<std::string>{"second"}));
  EXPECT_EQ(center->observerCount(), 2u);

  center->removeObserver(second.get(), "pong");
  center->postNotificationName("pong");
  EXPECT_EQ(second->seen.size(), 1u);
  center->removeObserver(second.get());
  EXPECT_EQ(center->observerCount(), 0u);
}

TEST(NotificationCenter, AHandlerMayRemoveObserversAndPostAgain) {
  auto center = NotificationCenter::create();
  auto a = std::make_shared<int>(0);
  auto b = std::make_shared<int>(0);
  std::vector<std::string> order;
  center->addObserver(a, "go", [&](const Notification&) {
    order.push_back("a");
    center->removeObserver(b.get());  // b must not hear this post any more
    center->postNotificationName("again");
  });
  center->addObserver(b, "go", [&](const Notification&) { order.push_back("b"); });
  center->addObserver(a, "again", [&](const Notification&) { order.push_back("again"); });
  center->postNotificationName("go");
  EXPECT_EQ(order, (std::vector<std::string>{"a", "again"}));
}

TEST(NotificationCenter, PostsFromManyThreadsReachEveryObserver) {
  auto center = NotificationCenter::create();
  auto observer = std::make_shared<int>(0);
  std::atomic<int> calls{0};
  center->addObserver(observer, "tick", [&](const Notification&) { ++calls; });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 250; ++i) center->postNotificationName("tick");
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(calls.load(), 1000);
}

TEST(Application, LifeCycleCallsMoveTheStateAndPostTheirNotifications) {
  auto& app = platform::Application::shared();
  auto observer = std::make_shared<int>(0);
  std::vector<std::string> seen;
  auto center = NotificationCenter::defaultCenter();
  for (const char* name : {platform::ApplicationWillResignActiveNotification, platform::ApplicationDidEnterBackgroundNotification,
                           platform::ApplicationWillEnterForegroundNotification, platform::ApplicationDidBecomeActiveNotification}) {
    center->addObserver(observer, name, [&](const Notification& n) { seen.push_back(n.name); });
  }
  using State = platform::ApplicationState;
  std::vector<State> states;
  app.willResignActive();
  states.push_back(app.applicationState());
  app.didEnterBackground();
  states.push_back(app.applicationState());
  app.willEnterForeground();
  states.push_back(app.applicationState());
  app.didBecomeActive();
  states.push_back(app.applicationState());
  EXPECT_EQ(states, (std::vector<State>{State::inactive, State::background, State::inactive, State::active}));
  EXPECT_EQ(seen, (std::vector<std::string>{"UIApplicationWillResignActiveNotification", "UIApplicationDidEnterBackgroundNotification",
                                            "UIApplicationWillEnterForegroundNotification",
                                            "UIApplicationDidBecomeActiveNotification"}));
  center->removeObserver(observer.get());
}

}  // namespace
