// The facade against the reference server: enrollment through its entry (shown, unseen, with nowhere
// to show it), the readiness queries, the token and reset, data the server sealed for the device,
// the tenant operations and their table of running controllers, the device-information report, the
// cross-platform module's set-up and the life-cycle hooks.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

#include "KivAbstractCore/FlutterEngineDependency.h"
#include "KivAbstractCore/LocalStorageCustomFontConfig.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/Base64.h"
#include "platform/ui/Application.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/Window.h"
#include "sdk/QOR.h"
#include "sdk/enrollment/QOREnrollmentController.h"
#include "sdk/enrollment/QOREnrollmentViewControllerFactory.h"
#include "tests/actions/ActionsTestSupport.h"
#include "tests/support/ScriptedKivApi.h"
#include "ui/pin/QORPinViewController.h"

namespace qortest {
namespace {

using platform::Json;
using qor::QORModule;
using qor::QORStatus;
using Kind = platform::TransitionRecord::Kind;

constexpr const char* kInstallationId = "device-1";

struct Heard {
  std::vector<QORStatus> statuses;
  std::shared_ptr<qor::QORTenant> tenant;
  std::optional<int64_t> tenantId;
};

class FacadeTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    // The facade stores these itself.
    qor::QORCommonData::setHost(std::nullopt);
    qor::QORCommonData::setPubVtnBase64(std::nullopt);
    qor::QORCommonData::setInstallationId(std::nullopt);
    QORModule::setTenantControllers({});
  }

  void TearDown() override {
    QORModule::setTenantControllers({});
    ActionsTest::TearDown();
  }

  static void waitFor(const std::function<bool()>& done, double seconds = 30) {
    platform::MainQueue::shared()->runUntil(done, platform::seconds(seconds));
  }
  // Runs the main queue a little longer, to catch a late second report.
  static void linger() { platform::MainQueue::shared()->runFor(platform::seconds(0.2)); }

  std::vector<QORStatus> enroll(bool invisibly, std::shared_ptr<qor::ResourceProvider> provider = nullptr) {
    std::vector<QORStatus> statuses;
    QORModule::startEnrollmentWithHost(server_->host(), invisibly, std::string(kInstallationId), std::move(provider),
                                       server_->pubVtnBase64(), [&](QORStatus s) { statuses.push_back(s); });
    waitFor([&] { return !statuses.empty(); }, 60);
    linger();
    return statuses;
  }

  void enrollDevice() {
    QORModule::updateDeviceToken(std::string("push-1"));
    ASSERT_EQ(enroll(true), std::vector<QORStatus>{1});
  }

  std::vector<int64_t> sentTypes() {
    std::vector<int64_t> types;
    for (const auto& request : server_->requests()) types.push_back(request["header"].value("type", int64_t{-1}));
    return types;
  }

  void offerTenant(const std::string& code, int64_t tenantId) {
    ASSERT_EQ(server_->command({{"cmd", "offerTenant"}, {"linkingCode", code}, {"tenantId", tenantId},
                                {"tenantName", "Bank B"}, {"theme", {{"screenBackgroundColor", "#112233"}}}})
                  .value("ok", false),
              true);
  }

  static bool hasEntry(const QORModule::TenantKey& key) { return QORModule::tenantControllers().count(key) > 0; }
};

// ---------------------------------------------------------------------------------------------
// Readiness, token and reset

TEST_F(FacadeTest, ReadinessQueriesFollowTheStoredTokens) {
  const struct {
    const char* name;
    std::optional<std::string> pushToken;
    std::optional<std::string> enrollmentToken;
    bool readyForEnrollment;
    bool enrolled;
  } cases[] = {
      {"nothing stored", std::nullopt, std::nullopt, false, false},
      {"a push token", "push-1", std::nullopt, true, false},
      {"both tokens", "push-1", "skVTN-1", true, true},
      {"an enrollment token alone", std::nullopt, "skVTN-1", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qor::QORCommonData::setAppPNS(c.pushToken);
    qor::QORCommonData::setSkVTN(c.enrollmentToken);
    EXPECT_EQ(QORModule::isReadyForEnrollment(), c.readyForEnrollment);
    EXPECT_EQ(QORModule::isEnrolled(), c.enrolled);
    EXPECT_EQ(QORModule::isReadyForAuthorization(), QORModule::isEnrolled());
  }
}

TEST_F(FacadeTest, ADifferentPushTokenForgetsTheEnrollmentTheSameOneKeepsIt) {
  const struct {
    const char* name;
    bool enrolled;
    std::optional<std::string> token;
    bool enrolledAfter;
  } cases[] = {
      {"enrolled, the same token", true, "push-1", true},
      {"enrolled, another token", true, "push-2", false},
      {"enrolled, no token", true, std::nullopt, false},
      {"not enrolled, another token", false, "push-2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qor::QORCommonData::setHost(server_->host());
    qor::QORCommonData::setAppPNS(std::string("push-1"));
    qor::QORCommonData::setSkVTN(c.enrolled ? std::optional<std::string>("skVTN-1") : std::nullopt);
    qor::QORSecureStorage::setString(std::string("DEVICE-1"), qor::kQORSecureStorageDeviceId);

    QORModule::updateDeviceToken(c.token);
    EXPECT_EQ(QORModule::isEnrolled(), c.enrolledAfter);
    EXPECT_EQ(qor::QORCommonData::appPNS(), c.token);
    EXPECT_EQ(QORModule::isReadyForEnrollment(), c.token.has_value());
    // A forgotten enrollment takes its server address with it; the device keeps its identifier.
    const bool forgotten = c.enrolled && !c.enrolledAfter;
    EXPECT_EQ(qor::QORCommonData::host().has_value(), !forgotten);
    EXPECT_EQ(qor::QORSecureStorage::stringForKey(qor::kQORSecureStorageDeviceId), "DEVICE-1");
  }
}

TEST_F(FacadeTest, ResetForgetsARealEnrollmentAndItsUtilityKeyButKeepsTheDevice) {
  enrollDevice();
  ASSERT_TRUE(QORModule::isEnrolled());
  const auto deviceId = qor::QORSecureStorage::stringForKey(qor::kQORSecureStorageDeviceId);
  const auto externalId = qor::QORCommonData::externalId();
  const auto keyStore = qor::QORCommonData::sensitiveDataEncrypted();
  ASSERT_TRUE(deviceId && externalId && keyStore);

  QORModule::reset();
  EXPECT_FALSE(QORModule::isEnrolled());
  EXPECT_FALSE(QORModule::isReadyForAuthorization());
  EXPECT_FALSE(QORModule::isReadyForEnrollment());
  EXPECT_FALSE(qor::QORSecureStorage::dataForKey(qor::kQORSecureStorageRsaUtilityPrivate));
  EXPECT_FALSE(qor::QORCommonData::host());
  EXPECT_EQ(qor::QORSecureStorage::stringForKey(qor::kQORSecureStorageDeviceId), deviceId);
  EXPECT_EQ(qor::QORCommonData::externalId(), externalId);
  EXPECT_EQ(qor::QORCommonData::sensitiveDataEncrypted(), keyStore);

  // The same device enrolls again, under its own identifiers.
  server_->reset();
  enrollDevice();
  EXPECT_TRUE(QORModule::isEnrolled());
  EXPECT_EQ(server_->command({{"cmd", "state"}})["enrolled"][kInstallationId]["facts"]["deviceId"], *deviceId);
}

// ---------------------------------------------------------------------------------------------
// Data sealed for the device

TEST_F(FacadeTest, DataTheServerSealedForTheUtilityKeyOpens) {
  enrollDevice();
  const std::string secret = "one-time code 493817";
  const Json sealed = server_->command(
      {{"cmd", "sealForDevice"}, {"installationId", kInstallationId}, {"data", platform::base64Encode(platform::bytesFromString(secret))}});
  ASSERT_EQ(sealed.value("ok", false), true) << sealed.dump();
  const auto data = platform::base64Decode(sealed["sealed"].get<std::string>());
  ASSERT_TRUE(data);
  EXPECT_EQ(QORModule::decryptData(*data), platform::bytesFromString(secret));

  const struct {
    const char* name;
    platform::OptBytes data;
  } failures[] = {
      {"nil", std::nullopt},
      {"empty", platform::Bytes{}},
      {"one byte short", platform::Bytes(data->begin(), data->end() - 1)},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(QORModule::decryptData(f.data), std::nullopt);
  }

  qor::QORSecureStorage::setData(platform::bytesFromString("not a key"), qor::kQORSecureStorageRsaUtilityPrivate);
  EXPECT_EQ(QORModule::decryptData(*data), std::nullopt) << "a stored key that is no key";
  QORModule::reset();
  EXPECT_EQ(QORModule::decryptData(*data), std::nullopt) << "no key stored";
}

// ---------------------------------------------------------------------------------------------
// The enrollment entry

TEST_F(FacadeTest, AVisibleEnrollmentIsShownOverTheTopControllerAndClosesBeforeItsCompletion) {
  platform::HeadlessWindow screen;
  platform::TransitionRecorder recorder;
  QORModule::updateDeviceToken(std::string("push-1"));
  std::vector<QORStatus> statuses;
  std::vector<bool> stillShown;
  QORModule::startEnrollmentWithHost(server_->host(), false, std::string(kInstallationId), nullptr,
                                     server_->pubVtnBase64(), [&](QORStatus s) {
                                       statuses.push_back(s);
                                       auto top = platform::topPresentedViewController();
                                       stillShown.push_back(top && !top->isBeingDismissed() &&
                                                            top->className() == "QOREnrollmentViewController");
                                     });
  EXPECT_TRUE(recorder.records().empty()) << "shown on a later turn of the main queue";
  EXPECT_EQ(qor::QORCommonData::host(), server_->host());
  EXPECT_EQ(qor::QORCommonData::installationId(), kInstallationId);
  EXPECT_EQ(qor::QORCommonData::pubVtnBase64(), server_->pubVtnBase64());

  waitFor([&] { return !statuses.empty(); }, 60);
  ASSERT_TRUE(screen.settle());
  linger();
  EXPECT_EQ(statuses, std::vector<QORStatus>{1});
  EXPECT_EQ(stillShown, std::vector<bool>{false});
  EXPECT_TRUE(QORModule::isEnrolled());
  EXPECT_EQ(sentTypes(), (std::vector<int64_t>{101, 102}));
  const auto records = recorder.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (platform::TransitionRecord{Kind::present, "UIViewController", "QOREnrollmentViewController", false, ""}));
  EXPECT_EQ(records[1].kind, Kind::dismiss);
  EXPECT_FALSE(records[1].animated);
  EXPECT_EQ(platform::topPresentedViewController(), screen.root());
}

TEST_F(FacadeTest, AnInvisibleEnrollmentIsNeverShown) {
  platform::HeadlessWindow screen;
  platform::TransitionRecorder recorder;
  QORModule::updateDeviceToken(std::string("push-1"));
  EXPECT_EQ(enroll(true), std::vector<QORStatus>{1});
  EXPECT_TRUE(QORModule::isEnrolled());
  EXPECT_TRUE(recorder.records().empty());
}

TEST_F(FacadeTest, AVisibleEnrollmentWithNowhereToBeShownCompletesWith44AndSendsNothing) {
  QORModule::updateDeviceToken(std::string("push-1"));
  const struct {
    const char* name;
    bool window;
  } cases[] = {{"no key window", false}, {"a key window without a root", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<platform::Window> window;
    if (c.window) {
      window = std::make_shared<platform::Window>();
      window->makeKeyAndVisible();
    }
    EXPECT_EQ(enroll(false), std::vector<QORStatus>{44});
    if (window) window->setHidden(true);
  }
  EXPECT_TRUE(server_->requests().empty());
  EXPECT_FALSE(QORModule::isEnrolled());
}

TEST_F(FacadeTest, AVisibleEnrollmentRefusedDuringAnotherTransitionIsShownOnALaterTry) {
  platform::HeadlessWindow screen;
  platform::TransitionRecorder recorder;
  QORModule::updateDeviceToken(std::string("push-1"));
  // The app is busy presenting a screen of its own, animated, when the enrollment's turn comes.
  screen.root()->presentViewController(std::make_shared<platform::ViewController>(), true);
  EXPECT_EQ(enroll(false), std::vector<QORStatus>{1});
  EXPECT_TRUE(QORModule::isEnrolled());
  ASSERT_FALSE(recorder.refusals().empty());
  EXPECT_EQ(recorder.refusals()[0].to, "QOREnrollmentViewController");
  bool presented = false;
  for (const auto& r : recorder.records()) {
    presented = presented || (r.kind == Kind::present && r.to == "QOREnrollmentViewController");
  }
  EXPECT_TRUE(presented) << "over the app's screen, once its transition ended";
}

TEST_F(FacadeTest, TheEnrollmentScreenOwnsANewControllerThatReportsToItAndShowsTheProvidersTexts) {
  auto provider = qor::DefaultResourceProvider::create();
  provider->setEnrollmentTitleText(platform::AttributedString("Bind this phone"));
  provider->setEnrollmentDescriptionText(platform::AttributedString("It becomes your key"));
  std::vector<QORStatus> statuses;
  auto screen = qor::QOREnrollmentViewControllerFactory::controllerWithResourceProvider(
      provider, [&](QORStatus s) { statuses.push_back(s); });
  ASSERT_TRUE(screen);
  auto controller = std::dynamic_pointer_cast<qor::QOREnrollmentController>(screen->enrollmentController());
  ASSERT_TRUE(controller);
  EXPECT_EQ(controller->delegate().lock(), screen);
  EXPECT_EQ(screen->enrollmentInitData()->bindingDeviceTitle()->string(), "Bind this phone");
  EXPECT_EQ(screen->enrollmentInitData()->bindingDeviceDescription()->string(), "It becomes your key");
  auto another = qor::QOREnrollmentViewControllerFactory::controllerWithResourceProvider(nullptr, {});
  ASSERT_TRUE(another);
  EXPECT_NE(another->enrollmentController(), screen->enrollmentController());
  EXPECT_FALSE(another->enrollmentInitData()->bindingDeviceTitle());

  // No push token: the controller tells the screen, which hands the status on.
  screen->startInvisibly();
  EXPECT_EQ(statuses, std::vector<QORStatus>{56});
}

// ---------------------------------------------------------------------------------------------
// Tenants

TEST_F(FacadeTest, EachTenantControllerIsKeptUnderItsKeyUntilItsOwnCompletion) {
  enrollDevice();
  offerTenant("CODE-1", 42);
  Heard linked, updated, unlinked;
  bool entryGoneAtCompletion = false;
  QORModule::linkTenantWithLinkingCode(std::string("CODE-1"), [&](QORStatus s, auto tenant) {
    entryGoneAtCompletion = !hasEntry(std::string("CODE-1"));
    linked.statuses.push_back(s);
    linked.tenant = tenant;
  });
  ASSERT_TRUE(hasEntry(std::string("CODE-1")));
  std::weak_ptr<qor::QORBaseClientActionController> running = QORModule::tenantControllers().at(std::string("CODE-1"));
  waitFor([&] { return !linked.statuses.empty(); });
  linger();
  EXPECT_EQ(linked.statuses, std::vector<QORStatus>{1});
  EXPECT_TRUE(entryGoneAtCompletion);
  EXPECT_TRUE(running.expired());
  EXPECT_EQ(linked.tenant->tenantId(), 42);
  EXPECT_EQ(linked.tenant->name(), "Bank B");

  QORModule::updateTenantWithTenantId(42, [&](QORStatus s, auto tenant) {
    updated.statuses.push_back(s);
    updated.tenant = tenant;
  });
  EXPECT_TRUE(hasEntry(int64_t{42}));
  EXPECT_FALSE(hasEntry(std::string("42"))) << "a linking code and an identifier are different keys";
  waitFor([&] { return !updated.statuses.empty(); });
  QORModule::unlinkTenantWithTenantId(42, [&](QORStatus s, auto id) {
    unlinked.statuses.push_back(s);
    unlinked.tenantId = id;
  });
  waitFor([&] { return !unlinked.statuses.empty(); });
  linger();
  EXPECT_EQ(updated.statuses, std::vector<QORStatus>{1});
  EXPECT_EQ(updated.tenant->theme()->getColorForKey(qor::QORThemeScreenBackgroundColorKey),
            platform::Color::colorWithRed(0x11 / 255.0, 0x22 / 255.0, 0x33 / 255.0, 1.0));
  EXPECT_EQ(unlinked.statuses, std::vector<QORStatus>{1});
  EXPECT_EQ(unlinked.tenantId, 42);
  EXPECT_TRUE(QORModule::tenantControllers().empty());
  EXPECT_EQ(sentTypes(), (std::vector<int64_t>{101, 102, 201, 202, 202, 203}));
}

// Two updates of one tenant at once: the later one takes the key, but the earlier one runs on to its
// own completion, and neither completion takes out the other's entry.
TEST_F(FacadeTest, ASecondOperationUnderTheSameKeyLetsTheFirstFinish) {
  enrollDevice();
  offerTenant("CODE-1", 42);
  Heard link;
  QORModule::linkTenantWithLinkingCode(std::string("CODE-1"), [&](QORStatus s, auto) { link.statuses.push_back(s); });
  waitFor([&] { return !link.statuses.empty(); });
  ASSERT_EQ(link.statuses, std::vector<QORStatus>{1});

  const struct {
    const char* name;
    double firstDelay;
    double secondDelay;
  } cases[] = {
      {"the later one finishes first", 1.0, 0.0},
      {"the earlier one finishes first", 0.5, 1.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_->script({{{"type", 202}, {"delay", c.firstDelay}}, {{"type", 202}, {"delay", c.secondDelay}}});
    const size_t before = server_->requests().size();
    std::vector<std::string> order;
    std::vector<bool> laterStillHeld;
    std::shared_ptr<qor::QORBaseClientActionController> second;
    auto heard = [&](const char* which) {
      return [&, which](QORStatus s, auto) {
        order.push_back(std::string(which) + ":" + std::to_string(s));
        const auto table = QORModule::tenantControllers();
        const auto it = table.find(int64_t{42});
        laterStillHeld.push_back(it != table.end() && it->second == second);
      };
    };
    QORModule::updateTenantWithTenantId(42, heard("first"));
    // The second starts once the server holds the first's request.
    waitFor([&] { return server_->requests().size() > before; });
    QORModule::updateTenantWithTenantId(42, heard("second"));
    second = QORModule::tenantControllers().at(int64_t{42});
    waitFor([&] { return order.size() == 2; });
    linger();
    const bool laterFirst = c.secondDelay < c.firstDelay;
    EXPECT_EQ(order, laterFirst ? (std::vector<std::string>{"second:1", "first:1"})
                                : (std::vector<std::string>{"first:1", "second:1"}));
    // At the earlier one's completion the later one still holds the key exactly while it runs.
    EXPECT_EQ(laterStillHeld, laterFirst ? (std::vector<bool>{false, false}) : (std::vector<bool>{true, false}));
    EXPECT_TRUE(QORModule::tenantControllers().empty());
    std::weak_ptr<qor::QORBaseClientActionController> weakSecond = second;
    second.reset();
    EXPECT_TRUE(weakSecond.expired());
  }
}

// A controller that is not ready reports at once, inside the call; the facade's own refusal (no key)
// comes on a later turn of the main queue.
TEST_F(FacadeTest, TenantOperationsThatCannotRunCompleteOnceAndLeaveNoEntry) {
  const struct {
    const char* name;
    std::function<void(Heard&)> start;
    QORStatus status;
    bool insideTheCall;
  } cases[] = {
      {"link without a linking code",
       [](Heard& h) {
         QORModule::linkTenantWithLinkingCode(std::nullopt, [&h](QORStatus s, auto t) {
           h.statuses.push_back(s);
           h.tenant = t;
         });
       },
       44, false},
      {"update without an identifier",
       [](Heard& h) {
         QORModule::updateTenantWithTenantId(std::nullopt, [&h](QORStatus s, auto t) {
           h.statuses.push_back(s);
           h.tenant = t;
         });
       },
       44, false},
      {"unlink without an identifier",
       [](Heard& h) {
         QORModule::unlinkTenantWithTenantId(std::nullopt, [&h](QORStatus s, auto id) {
           h.statuses.push_back(s);
           h.tenantId = id;
         });
       },
       44, false},
      {"update on a device that is not enrolled",
       [](Heard& h) {
         QORModule::updateTenantWithTenantId(42, [&h](QORStatus s, auto t) {
           h.statuses.push_back(s);
           h.tenant = t;
         });
       },
       52, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Heard heard;
    c.start(heard);
    EXPECT_EQ(heard.statuses.size(), c.insideTheCall ? 1u : 0u) << "inside the call";
    EXPECT_TRUE(QORModule::tenantControllers().empty());
    linger();
    EXPECT_EQ(heard.statuses, std::vector<QORStatus>{c.status});
  }
  EXPECT_TRUE(server_->requests().empty());
}

// ---------------------------------------------------------------------------------------------
// Device information, the cross-platform module, the life-cycle hooks

TEST_F(FacadeTest, TheDeviceInformationReportCompletesOnTheMainQueue) {
  enrollDevice();
  std::vector<QORStatus> statuses;
  bool onMainQueue = false;
  QORModule::sendDeviceLivelinessSettings([&](QORStatus s) {
    statuses.push_back(s);
    onMainQueue = platform::MainQueue::shared()->isCurrent();
  });
  waitFor([&] { return !statuses.empty(); });
  linger();
  EXPECT_EQ(statuses, std::vector<QORStatus>{1});
  EXPECT_TRUE(onMainQueue);
  EXPECT_EQ(server_->command({{"cmd", "state"}})["deviceInfo"][kInstallationId].size(), 1u);
}

TEST_F(FacadeTest, EachModuleIsPreparedWithAFreshEngineIdAndChannelNameAndItsFonts) {
  static const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  auto first = ScriptedKivApi::create();
  QORModule::update(first);
  ASSERT_EQ(first->callNames(), std::vector<std::string>{"prepareWithFlutterEngineDependency:customFontConfig:"});
  auto fonts = std::dynamic_pointer_cast<qor::LocalStorageCustomFontConfig>(first->customFontConfig());
  ASSERT_TRUE(fonts);
  EXPECT_TRUE(fonts->fontConfigList().empty());

  auto second = ScriptedKivApi::create();
  auto own = qor::LocalStorageCustomFontConfig::create();
  QORModule::update(second, own);
  EXPECT_EQ(second->customFontConfig(), own);
  EXPECT_EQ(first->calls().size(), 1u);

  std::set<std::string> names;
  for (const auto& module : {first, second}) {
    for (const auto& name : {module->dependency()->flutterEngineId(), module->dependency()->secureChannelName()}) {
      EXPECT_TRUE(std::regex_match(name, uuid)) << name;
      names.insert(name);
    }
  }
  EXPECT_EQ(names.size(), 4u);
  QORModule::update(nullptr);
}

// Without a module nothing would show the transaction, and the run would wait for an answer forever.
TEST_F(FacadeTest, ACrossPlatformAuthorizationWithoutAModuleFailsWith44BeforeAnythingIsSent) {
  enrollDevice();
  const size_t sentBefore = server_->requests().size();
  QORModule::update(nullptr);
  std::vector<std::pair<bool, QORStatus>> heard;
  QORModule::startAuthorizationWithTheme(qor::QORTheme::create(), 70001,
                                         [&](bool cancelled, QORStatus s) { heard.emplace_back(cancelled, s); });
  EXPECT_EQ(heard.size(), 1u) << "the run ends at once";
  linger();
  EXPECT_EQ(heard, (std::vector<std::pair<bool, QORStatus>>{{true, 44}}));
  EXPECT_EQ(server_->requests().size(), sentBefore);
}

TEST_F(FacadeTest, TheLifeCycleHooksHideAndShowTheDataOfTheScreenOnTop) {
  platform::HeadlessWindow screen;
  auto pin = qor::QORPinViewController::controllerWithTheme(qor::QORTheme::create(), nullptr, false,
                                                            qor::QORAuthData::create());
  ASSERT_TRUE(pin);
  auto slotsHidden = [&] {
    std::vector<bool> hidden;
    for (const auto& slot : pin->pinArray()) hidden.push_back(slot->isHidden());
    return hidden;
  };
  auto& app = platform::Application::shared();

  QORModule::onApplicationWillResignActive(app);  // a plain screen on top: nothing to hide
  screen.root()->presentViewController(pin, false);
  ASSERT_TRUE(screen.settle());
  ASSERT_FALSE(pin->pinArray().empty());
  const std::vector<bool> shown(pin->pinArray().size(), false), covered(pin->pinArray().size(), true);
  EXPECT_EQ(slotsHidden(), shown);
  QORModule::onApplicationWillResignActive(app);
  EXPECT_EQ(slotsHidden(), covered);
  QORModule::onApplicationWillEnterForeground(app);
  EXPECT_EQ(slotsHidden(), shown);

  // Under another screen the PIN screen is not the one on top.
  pin->presentViewController(std::make_shared<platform::ViewController>(), false);
  ASSERT_TRUE(screen.settle());
  QORModule::onApplicationWillResignActive(app);
  EXPECT_EQ(slotsHidden(), shown);
}

// The facade is called on the main queue only and takes no lock: a call from elsewhere stops the
// process in a build with checks.
TEST(FacadeDeathTest, TheFacadeIsCalledOnTheMainQueueOnly) {
  if (!QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are compiled out of this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(std::thread([] { (void)QORModule::isEnrolled(); }).join(), "called off the main queue");
  EXPECT_DEATH(std::thread([] { QORModule::update(nullptr); }).join(), "called off the main queue");
  auto queue = platform::SerialQueue::create("elsewhere");
  EXPECT_DEATH(queue->sync([] { (void)QORModule::uiManager(); }), "called off the main queue");
}

}  // namespace
}  // namespace qortest
