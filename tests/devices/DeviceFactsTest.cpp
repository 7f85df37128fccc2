#include <gtest/gtest.h>

#include <regex>

#include "platform/OSVersion.h"
#include "platform/Queue.h"
#include "platform/devices/CMMotionManager.h"
#include "platform/devices/Device.h"
#include "platform/devices/SimulatedMotion.h"
#include "platform/devices/UNUserNotificationCenter.h"
#include "platform/ui/Screen.h"

using platform::CMAcceleration;
using platform::CMMotionManager;
using platform::SimulatedMotion;
using platform::seconds;

namespace {

TEST(NotificationSettings, TheDevicesSettingsArriveOnTheCentresOwnQueue) {
  auto center = platform::UNUserNotificationCenter::currentNotificationCenter();
  platform::UNNotificationSettings off;
  off.alertSetting = platform::UNNotificationSetting::disabled;
  platform::UNUserNotificationCenter::setSimulatedSettings(off);

  std::mutex mutex;
  std::condition_variable cv;
  std::optional<platform::UNNotificationSettings> received;
  bool onSettingsQueue = false;
  bool onMainQueue = true;
  center->getNotificationSettingsWithCompletionHandler([&](const platform::UNNotificationSettings& s) {
    std::lock_guard lock(mutex);
    received = s;
    onSettingsQueue = center->settingsQueue()->isCurrent();
    onMainQueue = platform::MainQueue::shared()->isCurrent();
    cv.notify_all();
  });
  // Read when asked: a change afterwards is not in this answer.
  platform::UNUserNotificationCenter::setSimulatedSettings({});
  std::unique_lock lock(mutex);
  ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return received.has_value(); }));
  EXPECT_EQ(*received, off);
  EXPECT_EQ(received->authorizationStatus, platform::UNAuthorizationStatus::authorized);
  EXPECT_TRUE(onSettingsQueue);
  EXPECT_FALSE(onMainQueue);
}

class Motion : public testing::Test {
 protected:
  void SetUp() override { SimulatedMotion::reset(); }
  void TearDown() override { SimulatedMotion::reset(); }
  platform::VirtualTime time_;
};

// The motion record's way of reading: a sample every 0.01 s until one passes its thresholds.
TEST_F(Motion, SamplesComeEveryIntervalAndFollowTheScriptedMovement) {
  CMMotionManager manager;
  manager.setDeviceMotionUpdateInterval(0.01);
  manager.startDeviceMotionUpdates();
  ASSERT_TRUE(manager.isDeviceMotionActive());
  EXPECT_EQ(manager.deviceMotion(), std::nullopt) << "no sample before the first interval";

  SimulatedMotion::setUserAccelerationAfter(seconds(0.0549), CMAcceleration{0, 0, 0.13});
  SimulatedMotion::setUserAccelerationAfter(seconds(0.07), CMAcceleration{0, 0, 0});
  std::vector<double> zs;
  for (int tick = 1; tick <= 8; ++tick) {
    platform::VirtualTime::advance(seconds(0.01));
    auto motion = manager.deviceMotion();
    ASSERT_TRUE(motion.has_value()) << tick;
    zs.push_back(motion->userAcceleration.z);
  }
  // The change at 0.0549 s is first seen by the sample at 0.06 s; the one at 0.07 s by that sample.
  EXPECT_EQ(zs, (std::vector<double>{0, 0, 0, 0, 0, 0.13, 0, 0}));

  platform::VirtualTime::advance(seconds(0.005));
  EXPECT_EQ(manager.deviceMotion()->timestamp, platform::toSeconds((platform::Clock::now() - seconds(0.005)).time_since_epoch()))
      << "the latest sample is the one of the last tick";
  manager.stopDeviceMotionUpdates();
  EXPECT_EQ(manager.deviceMotion(), std::nullopt);
}

TEST_F(Motion, ADeviceWithoutASensorGivesNoSamples) {
  SimulatedMotion::setAvailable(false);
  CMMotionManager manager;
  EXPECT_FALSE(manager.isDeviceMotionAvailable());
  manager.startDeviceMotionUpdates();
  EXPECT_FALSE(manager.isDeviceMotionActive());
  platform::VirtualTime::advance(seconds(0.1));
  EXPECT_EQ(manager.deviceMotion(), std::nullopt);
  manager.setDeviceMotionUpdateInterval(-1);
  EXPECT_EQ(manager.deviceMotionUpdateInterval(), 0.01);
}

TEST(DeviceFacts, SystemVersionScreenAndVendorIdentifier) {
  struct Case {
    platform::OperatingSystemVersion version;
    const char* text;
  };
  for (const auto& c : {Case{{10, 3, 0}, "10.3"}, Case{{11, 0, 0}, "11.0"}, Case{{12, 4, 1}, "12.4.1"},
                        Case{{13, 0, 0}, "13.0"}}) {
    platform::ScopedOperatingSystemVersion scoped(c.version);
    EXPECT_EQ(platform::Device::currentDevice().systemVersion(), c.text);
  }
  EXPECT_EQ(platform::Device::currentDevice().systemVersion(), "17.0");

  const auto id = platform::Device::currentDevice().identifierForVendor();
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(std::regex_match(*id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")));
  EXPECT_EQ(platform::Device::currentDevice().identifierForVendor(), id) << "stable within the process";
  platform::Device::setName("Test Phone");
  platform::Device::setIdentifierForVendor(std::nullopt);
  EXPECT_EQ(platform::Device::currentDevice().name(), "Test Phone");
  EXPECT_EQ(platform::Device::currentDevice().identifierForVendor(), std::nullopt);
  platform::Device::reset();
  EXPECT_EQ(platform::Device::currentDevice().name(), "iPhone");
  EXPECT_NE(platform::Device::currentDevice().identifierForVendor(), id);

  auto screen = platform::Screen::mainScreen();
  EXPECT_EQ(screen.nativeBounds().size, (platform::Size{1125, 2436}));
  platform::Screen::setMainScreen({320, 568}, 2);
  EXPECT_EQ(platform::Screen::mainScreen().nativeBounds().size, (platform::Size{640, 1136}));
  EXPECT_EQ(platform::Screen::mainScreen().bounds().size, (platform::Size{320, 568}));
  platform::Screen::setMainScreen({320, 568}, 0);
  EXPECT_EQ(platform::Screen::mainScreen().scale(), 1);
  platform::Screen::resetMainScreen();
}

}  // namespace
