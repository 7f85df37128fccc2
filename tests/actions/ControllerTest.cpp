// The controller running lists of test actions against the reference server over HTTPS: the final
// status of each kind of run, what the hooks see, and the faults of overlapping and early-ending
// runs.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "tests/actions/ActionsTestSupport.h"

namespace qortest {
namespace {

using platform::Json;

// Requests the server accepted, in order.
std::vector<Json> acceptedRequests(RefServer& server) {
  std::vector<Json> accepted;
  for (const auto& request : server.requests()) {
    if (request.value("accepted", false)) accepted.push_back(request);
  }
  return accepted;
}

TEST_F(ActionsTest, FinalStatusOfARun) {
  const Json failSecond = Json::array({Json::object(), {{"answerSet", {{"status", {{"code", 5}}}}}}});
  struct Case {
    const char* name;
    int actions;
    Json script;
    qor::QORStatus expected;
    size_t requests;  // the server saw
    size_t saved;     // saveActionResponse calls
  };
  const Case cases[] = {
      {"empty list", 0, Json::array(), qor::QORStatusSuccess, 0, 0},
      {"one action", 1, Json::array(), qor::QORStatusSuccess, 1, 1},
      {"three succeed", 3, Json::array(), qor::QORStatusSuccess, 3, 3},
      {"second fails, third never starts", 3, failSecond, qor::QORStatusUndefined, 2, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_->reset();
    server_->script(c.script);
    auto controller = TestController::create();
    controller->actionCount = c.actions;
    auto delegate = std::make_shared<RecordingDelegate>();
    controller->setDelegate(delegate);
    controller->start();
    waitForStatuses(*delegate, 1);
    EXPECT_EQ(delegate->statuses, std::vector<qor::QORStatus>{c.expected});
    // An empty list reports inside start; answers arrive on the main queue.
    EXPECT_EQ(delegate->onMainQueue, std::vector<bool>{c.requests > 0});
    EXPECT_FALSE(controller->started());
    EXPECT_EQ(controller->saved.size(), c.saved);
    auto accepted = acceptedRequests(*server_);
    EXPECT_EQ(accepted.size(), c.requests);
    EXPECT_EQ(server_->requests().size(), c.requests);
    // One nonce per run, the same in every request; a fresh header key and IV per request.
    std::set<std::string> keys;
    for (const auto& request : accepted) {
      EXPECT_EQ(request["installationId"], "device-1");
      EXPECT_EQ(request["header"]["type"], kCoreTestActionType);
      EXPECT_EQ(request["body"]["nonceQOR"], accepted.front()["body"]["nonceQOR"]);
      keys.insert(request["header"]["symmetricKeyQOR"].get<std::string>());
    }
    EXPECT_EQ(keys.size(), accepted.size());
    // Every action that succeeded holds its answer.
    for (const auto& action : controller->saved) {
      ASSERT_TRUE(action->response());
      EXPECT_EQ(action->response()->getDecryptedBody()->value("echoType", 0), kCoreTestActionType);
    }
  }
}

TEST_F(ActionsTest, NotReadyReportsItsStatusWithoutSettingUp) {
  auto controller = TestController::create();
  controller->ready = false;
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->start();
  EXPECT_EQ(delegate->statuses, std::vector<qor::QORStatus>{qor::QORStatusNotEnrolled});  // at once, inside start
  EXPECT_EQ(controller->setupCalls, 0);
  EXPECT_EQ(controller->createCalls, 0);
  EXPECT_FALSE(controller->started());
}

TEST_F(ActionsTest, SecondStartDuringARunReports60AndLeavesTheRunAlone) {
  server_->script({{{"delay", 0.5}}});
  auto controller = TestController::create();
  controller->actionCount = 2;
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->start();
  controller->start();
  controller->start();  // a third start must not begin a second run beside the first
  EXPECT_EQ(delegate->statuses,
            (std::vector<qor::QORStatus>{qor::QORStatusHasActiveSession, qor::QORStatusHasActiveSession}));
  EXPECT_TRUE(controller->started());
  EXPECT_EQ(controller->createCalls, 1);
  waitForStatuses(*delegate, 3);
  EXPECT_EQ(delegate->statuses, (std::vector<qor::QORStatus>{qor::QORStatusHasActiveSession,
                                                             qor::QORStatusHasActiveSession, qor::QORStatusSuccess}));
  EXPECT_FALSE(controller->started());
  EXPECT_EQ(server_->requests().size(), 2u);
}

TEST_F(ActionsTest, FinishedActionNotInTheListReports48) {
  auto controller = TestController::create();
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->setStarted(true);
  controller->clientActionFinishedWithStatus(TestAction::create(), qor::QORStatusSuccess);
  EXPECT_EQ(delegate->statuses, std::vector<qor::QORStatus>{qor::QORStatusInternalLogicError});
  EXPECT_FALSE(controller->started());
}

TEST_F(ActionsTest, ActionOfAnOlderRunEndsTheNewRunWith48) {
  // The first run is ended from outside while its action is in flight; the next run starts.
  server_->script({{{"delay", 0.8}}, {{"delay", 2}}});
  auto controller = TestController::create();
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->start();
  // The first run's request must have taken the first (shorter) delay before the second run starts.
  for (int i = 0; i < 200 && server_->requests().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  controller->finishWithErrorStatus(qor::QORStatusExpiredTransaction);
  controller->start();
  waitForStatuses(*delegate, 2);
  EXPECT_EQ(delegate->statuses,
            (std::vector<qor::QORStatus>{qor::QORStatusExpiredTransaction, qor::QORStatusInternalLogicError}));
  EXPECT_FALSE(controller->started());
  waitForStatuses(*delegate, 3);
  EXPECT_EQ(delegate->statuses, (std::vector<qor::QORStatus>{qor::QORStatusExpiredTransaction,
                                                             qor::QORStatusInternalLogicError, qor::QORStatusSuccess}));
}

TEST_F(ActionsTest, RunEndedInsideSaveActionResponseStartsNothingMore) {
  auto controller = TestController::create();
  controller->actionCount = 3;
  controller->onSave = [](TestController& self) {
    self.finishWithErrorStatus(qor::QORStatusSensitiveDataDecryptionError);
  };
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->start();
  waitForStatuses(*delegate, 1);
  EXPECT_EQ(delegate->statuses, std::vector<qor::QORStatus>{qor::QORStatusSensitiveDataDecryptionError});
  EXPECT_EQ(server_->requests().size(), 1u);
}

TEST_F(ActionsTest, RunRestartedFromTheReportOfAnEndInsideSaveActionResponseGoesOn) {
  // The delegate starts again when it hears 64; the new run must not be ended by the old action.
  auto controller = TestController::create();
  controller->actionCount = 2;
  bool failOnce = true;
  controller->onSave = [&](TestController& self) {
    if (std::exchange(failOnce, false)) self.finishWithErrorStatus(qor::QORStatusSensitiveDataDecryptionError);
  };
  auto delegate = std::make_shared<RecordingDelegate>();
  delegate->onFinish = [&] {
    if (delegate->statuses.size() == 1) controller->start();
  };
  controller->setDelegate(delegate);
  controller->start();
  waitForStatuses(*delegate, 2);
  EXPECT_EQ(delegate->statuses,
            (std::vector<qor::QORStatus>{qor::QORStatusSensitiveDataDecryptionError, qor::QORStatusSuccess}));
  EXPECT_EQ(acceptedRequests(*server_).size(), 3u);
  EXPECT_FALSE(controller->started());
}

TEST_F(ActionsTest, AddedActionRunsLastAndEndsTheRunWith1) {
  auto controller = TestController::create();
  controller->actionCount = 1;
  std::shared_ptr<TestAction> added;
  controller->onSave = [&](TestController& self) {
    if (added) return;
    added = TestAction::create();
    added->setDelegate(std::dynamic_pointer_cast<TestController>(self.shared_from_this()));
    added->setDataSource(std::dynamic_pointer_cast<TestController>(self.shared_from_this()));
    self.addAction(added);
  };
  auto delegate = std::make_shared<RecordingDelegate>();
  controller->setDelegate(delegate);
  controller->start();
  waitForStatuses(*delegate, 1);
  EXPECT_EQ(delegate->statuses, std::vector<qor::QORStatus>{qor::QORStatusSuccess});
  EXPECT_EQ(controller->actions().size(), 2u);
  EXPECT_EQ(server_->requests().size(), 2u);
  EXPECT_TRUE(added->response());
}

TEST_F(ActionsTest, ControllerReleasedInsideItsOwnReportDoesNotCrash) {
  struct Case {
    const char* name;
    bool sendable;  // false: the report comes from inside start
  };
  for (const Case c : {Case{"answer on the main queue", true}, Case{"report inside start", false}}) {
    SCOPED_TRACE(c.name);
    if (!c.sendable) qor::QORCommonData::setInstallationId(std::nullopt);
    auto controller = TestController::create();
    controller->actionCount = 2;
    auto delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<TestController> owner = controller;
    std::weak_ptr<TestController> watch = controller;
    controller.reset();
    delegate->onFinish = [&] { owner.reset(); };
    owner->setDelegate(delegate);
    owner->start();
    waitForStatuses(*delegate, 1);
    EXPECT_EQ(delegate->statuses,
              std::vector<qor::QORStatus>{c.sendable ? qor::QORStatusSuccess : qor::QORStatusUndefined});
    EXPECT_TRUE(watch.expired());
  }
}

TEST_F(ActionsTest, ControllerLetGoDuringARunReportsNothing) {
  server_->script({{{"delay", 0.3}}});
  auto delegate = std::make_shared<RecordingDelegate>();
  {
    auto controller = TestController::create();
    controller->setDelegate(delegate);
    controller->start();
  }
  waitForStatuses(*delegate, 1, 2);
  EXPECT_TRUE(delegate->statuses.empty());
}

}  // namespace
}  // namespace qortest

namespace qortest {
namespace {

// Controllers and actions of the main-queue flows: a call from another thread stops the process in a
// build with checks, whichever entry point it comes through.
TEST(ControllerDeathTest, ControllersAndActionsAreUsedOnTheMainQueueOnly) {
  if (!QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are compiled out of this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto controller = TestController::create();
  auto action = TestAction::create();
  action->setDelegate(controller);
  EXPECT_DEATH(std::thread([&] { controller->start(); }).join(), "called off its sequence");
  EXPECT_DEATH(std::thread([&] { controller->setNonce(platform::Bytes{1}); }).join(), "called off its sequence");
  EXPECT_DEATH(std::thread([&] { action->start(); }).join(), "called off its sequence");
  auto queue = platform::SerialQueue::create("elsewhere");
  EXPECT_DEATH(queue->sync([&] { controller->addAction(action); }), "called off its sequence");
}

}  // namespace
}  // namespace qortest
