// The device-information report against the reference server, which reads the record itself, for
// each state of the simulated biometric and notification devices; and the device-facts table.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/storage/QORCommonData.h"
#include "platform/AppInfo.h"
#include "platform/OSVersion.h"
#include "platform/devices/Device.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/devices/UNUserNotificationCenter.h"
#include "platform/ui/Screen.h"
#include "sdk/deviceinfo/QORDeviceInfoArtifact.h"
#include "sdk/deviceinfo/QORDeviceInfoController.h"
#include "sdk/deviceinfo/QORDeviceInfoProvider.h"
#include "sdk/integrity/QORDeviceIntegrity.h"
#include "tests/actions/ActionsTestSupport.h"

namespace qortest {
namespace {

using platform::Json;
using platform::LABiometryType;
using platform::UNNotificationSetting;

void resetDevices() {
  platform::SimulatedBiometrics::reset();
  platform::UNUserNotificationCenter::setSimulatedSettings({});
  platform::Device::reset();
  platform::Screen::resetMainScreen();
  platform::AppInfo::setValue("CFBundleShortVersionString", std::nullopt);
}

struct Report {
  std::vector<qor::QORStatus> statuses;
  std::vector<bool> onMainQueue;
};

class DeviceInfoTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    resetDevices();
  }
  void TearDown() override {
    resetDevices();
    ActionsTest::TearDown();
  }

  // Starts a report that nothing else holds and waits for its completion.
  Report send() {
    auto report = std::make_shared<Report>();
    std::weak_ptr<qor::QORDeviceInfoController> weak;
    {
      auto controller = qor::QORDeviceInfoController::create([report](qor::QORStatus status) {
        report->statuses.push_back(status);
        report->onMainQueue.push_back(platform::MainQueue::shared()->isCurrent());
      });
      weak = controller;
      controller->start();
    }
    platform::MainQueue::shared()->runUntil([&] { return !report->statuses.empty(); }, platform::seconds(30));
    platform::MainQueue::shared()->runFor(platform::seconds(0.2));
    EXPECT_TRUE(weak.expired()) << "the report lets itself go once its completion has run";
    return *report;
  }

  Json reports() { return server_->command({{"cmd", "state"}})["deviceInfo"]["device-1"]; }
};

TEST_F(DeviceInfoTest, EachBiometricAndNotificationStateIsReported) {
  const platform::OperatingSystemVersion current{17, 0, 0}, beforeBiometryTypes{10, 3, 0};
  const struct {
    const char* name;
    platform::OperatingSystemVersion system;
    LABiometryType biometry;
    bool enrolled;
    bool lockedOut;
    UNNotificationSetting alerts;
    platform::UNAuthorizationStatus authorization;
    bool biometryReported;
    bool apnsReported;
  } cases[] = {
      {"Face ID, alerts on", current, LABiometryType::faceID, true, false, UNNotificationSetting::enabled,
       platform::UNAuthorizationStatus::authorized, true, true},
      {"Touch ID, alerts off", current, LABiometryType::touchID, true, false, UNNotificationSetting::disabled,
       platform::UNAuthorizationStatus::authorized, true, false},
      {"Face ID with nothing enrolled", current, LABiometryType::faceID, false, false, UNNotificationSetting::enabled,
       platform::UNAuthorizationStatus::authorized, false, true},
      {"Touch ID locked out", current, LABiometryType::touchID, true, true, UNNotificationSetting::enabled,
       platform::UNAuthorizationStatus::authorized, false, true},
      {"no biometric sensor", current, LABiometryType::none, false, false, UNNotificationSetting::enabled,
       platform::UNAuthorizationStatus::authorized, false, true},
      {"alerts not supported", current, LABiometryType::faceID, true, false, UNNotificationSetting::notSupported,
       platform::UNAuthorizationStatus::authorized, true, false},
      // Only the alert setting counts.
      {"alerts on, notifications not determined", current, LABiometryType::faceID, true, false,
       UNNotificationSetting::enabled, platform::UNAuthorizationStatus::notDetermined, true, true},
      {"an older system with Touch ID", beforeBiometryTypes, LABiometryType::touchID, true, false,
       UNNotificationSetting::disabled, platform::UNAuthorizationStatus::authorized, true, false},
      {"an older system without usable biometrics", beforeBiometryTypes, LABiometryType::touchID, false, false,
       UNNotificationSetting::enabled, platform::UNAuthorizationStatus::authorized, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    platform::ScopedOperatingSystemVersion system(c.system);
    platform::SimulatedBiometrics::setBiometryType(c.biometry);
    platform::SimulatedBiometrics::setEnrolled(c.enrolled);
    platform::SimulatedBiometrics::setLockedOut(c.lockedOut);
    platform::UNNotificationSettings settings;
    settings.alertSetting = c.alerts;
    settings.authorizationStatus = c.authorization;
    platform::UNUserNotificationCenter::setSimulatedSettings(settings);

    const Report report = send();
    EXPECT_EQ(report.statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
    EXPECT_EQ(report.onMainQueue, std::vector<bool>{true});
    const Json seen = reports();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0]["biometry"], c.biometryReported);
    EXPECT_EQ(seen[0]["apns"], c.apnsReported);
    const Json request = server_->requests().at(0);
    EXPECT_EQ(request["method"], "POST");
    EXPECT_EQ(request["header"].size(), 3u) << "no enrollment, no enrollmentId";
  }
}

TEST_F(DeviceInfoTest, AnEnrolledDeviceNamesItsEnrollment) {
  ASSERT_EQ(server_->command({{"cmd", "enroll"}, {"installationId", "device-1"}, {"enrollmentId", "E-1"},
                              {"pubClient", server_->pubVtnBase64()}})
                .value("ok", false),
            true);
  qor::QORCommonData::setEnrollmentId(std::string("E-1"));
  EXPECT_EQ(send().statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
  EXPECT_EQ(server_->requests().at(0)["header"]["enrollmentId"], "E-1");
  EXPECT_EQ(server_->requests().at(0)["header"]["type"], 109);

  // The server refuses an enrollment it does not know; the refusal reaches the completion.
  qor::QORCommonData::setEnrollmentId(std::string("E-2"));
  const Report refused = send();
  EXPECT_EQ(refused.statuses, std::vector<qor::QORStatus>{0});
  EXPECT_EQ(refused.onMainQueue, std::vector<bool>{true});
}

TEST_F(DeviceInfoTest, AReportThatCannotBeBuiltStillCompletesOnTheMainQueue) {
  for (const char* missing : {"server key", "installation identifier"}) {
    SCOPED_TRACE(missing);
    TearDown();
    SetUp();
    if (std::string(missing) == "server key") {
      qor::QORCommonData::setPubVtnBase64(std::nullopt);
    } else {
      qor::QORCommonData::setInstallationId(std::nullopt);
    }
    const Report report = send();
    EXPECT_EQ(report.statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(report.onMainQueue, std::vector<bool>{true});
    EXPECT_TRUE(server_->requests().empty());
  }
}

TEST_F(DeviceInfoTest, AReportWithoutACompletionStillRunsToItsEnd) {
  std::weak_ptr<qor::QORDeviceInfoController> weak;
  {
    auto controller = qor::QORDeviceInfoController::create(nullptr);
    weak = controller;
    controller->start();
  }
  platform::MainQueue::shared()->runUntil([&] { return weak.expired(); }, platform::seconds(30));
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(reports().size(), 1u);
}

// The report is bound to the queue that uses it first and handed over from there: started on a
// queue of its own, it still runs to its end, and a call from another sequence while it is bound
// there stops the process.
TEST_F(DeviceInfoTest, TheReportIsBoundToTheQueueThatUsesItFirst) {
  if (!QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are compiled out of this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::atomic<int> statuses{0};
  std::weak_ptr<qor::QORDeviceInfoController> weak;
  auto caller = platform::SerialQueue::create("caller");
  {
    auto controller = qor::QORDeviceInfoController::create([&](qor::QORStatus) { ++statuses; });
    weak = controller;
    caller->sync([&] { EXPECT_TRUE(controller->artifacts().empty()); });
    EXPECT_DEATH((void)controller->artifacts(), "called off its sequence");
    EXPECT_DEATH(std::thread([&] { (void)controller->deviceInfoAction(); }).join(), "called off its sequence");
    caller->sync([&] { controller->start(); });
  }
  platform::MainQueue::shared()->runUntil([&] { return weak.expired(); }, platform::seconds(30));
  EXPECT_EQ(statuses.load(), 1);
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(reports().size(), 1u);
}

TEST(DeviceInfoRecordTest, TheRecordReportsTheFactsItWasAskedFor) {
  const struct {
    qor::QORDeviceArtifactInitData data;
    const char* value;
  } cases[] = {
      {{true, true, true, false}, "isBiometryEnabled=1;isApnsEnabled=0;"},
      {{true, true, false, true}, "isBiometryEnabled=0;isApnsEnabled=1;"},
      {{false, true, true, true}, "isApnsEnabled=1;"},
      {{true, false, true, true}, "isBiometryEnabled=1;"},
      {{false, false, true, true}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    auto record = qor::QORDeviceInfoArtifact::create(c.data);
    EXPECT_EQ(record->requestDictionary(),
              (Json{{"type", "RESULT_DEVICE_INFO"}, {"className", "SimpleArtifact"}, {"value", c.value}}));
    EXPECT_EQ(record->getHashCode(), 0u);
  }
}

class DeviceFactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDevices();
    // What the integrity check sees is fixed, so the table does not depend on how tests are run.
    qor::QORDeviceIntegrity::setProbe([this] { return integrity_; });
  }
  void TearDown() override {
    qor::QORDeviceIntegrity::setProbe({});
    resetDevices();
  }

  qor::QORIntegrityObservations integrity_;
};

TEST_F(DeviceFactsTest, TheTableHoldsTheSimulatedDevicesFacts) {
  platform::Screen::setMainScreen(platform::Size{390, 844}, 3);
  platform::Device::setName("Test phone");
  platform::Device::setIdentifierForVendor(std::string("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
  platform::AppInfo::setValue("CFBundleShortVersionString", std::string("2.5.0"));
  platform::ScopedOperatingSystemVersion system({12, 4, 1});

  const Json facts = qor::QORDeviceInfoProvider::deviceInfo();
  EXPECT_EQ(facts, (Json{{"pixelDensity", 480.0},
                         {"screenWidth", 1170.0},
                         {"screenHeight", 2532.0},
                         {"osVersion", "12.4"},
                         {"brand", "Test phone"},
                         {"buildId", "notAvailable"},
                         {"buildUniqueId", "6F9619FF-8B86-D011-B42D-00C04FC964FF"},
                         {"buildDetails", "release"},
                         {"manufacturer", "Apple"},
                         {"isIntegrityCompromised", false},
                         {"changeList", "2.5.0"},
                         {"integrityFindings", Json::array()}}));
  for (const char* number : {"pixelDensity", "screenWidth", "screenHeight"}) {
    EXPECT_TRUE(facts[number].is_number_float()) << number;
  }
  EXPECT_EQ(platform::JSONObjectWithString(qor::QORDeviceInfoProvider::deviceInfoAsJSONString()), facts);
  EXPECT_NE(qor::QORDeviceInfoProvider::deviceInfoAsJSONString().find('\n'), std::string::npos) << "pretty-printed";
  for (int64_t outside : {0, 13, -1}) EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(outside), Json::object());
  EXPECT_EQ(qor::QORDeviceInfoProvider::deviceInfoFor({5, 9}), (Json{{"brand", "Test phone"}, {"manufacturer", "Apple"}}));
}

TEST_F(DeviceFactsTest, TheIntegrityRowsNameWhatTheCheckFound) {
  integrity_.tracerPid = 4242;
  integrity_.deviceFlagged = true;
  EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(10), (Json{{"isIntegrityCompromised", true}}));
  EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(12),
            (Json{{"integrityFindings", {"DEBUGGER_ATTACHED", "DEVICE_COMPROMISED"}}}));
  integrity_ = {};
  EXPECT_EQ(qor::QORDeviceInfoProvider::deviceInfoFor({10, 12}),
            (Json{{"isIntegrityCompromised", false}, {"integrityFindings", Json::array()}}));
}

TEST_F(DeviceFactsTest, MissingValuesAndSystemVersionsReadTheWayThePlatformReadsThem) {
  platform::Device::setIdentifierForVendor(std::nullopt);
  EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(7), (Json{{"buildUniqueId", "notAvailable"}}));
  EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(11), (Json{{"changeList", ""}}));
  const struct {
    platform::OperatingSystemVersion version;
    const char* text;
  } versions[] = {{{17, 0, 0}, "17"}, {{12, 4, 1}, "12.4"}, {{16, 10, 0}, "16.1"}, {{9, 3, 5}, "9.3"}};
  for (const auto& v : versions) {
    SCOPED_TRACE(v.text);
    platform::ScopedOperatingSystemVersion system(v.version);
    EXPECT_EQ(qor::QORDeviceInfoProvider::infoForType(4), (Json{{"osVersion", v.text}}));
  }
}

}  // namespace
}  // namespace qortest
