// Test actions, a recording controller and a fixture that points the stored host and server key at
// a reference server on loopback.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "common/actions/QORBaseClientAction.h"
#include "common/actions/QORBaseClientActionController.h"
#include "common/actions/QORClientActionConstants.h"
#include "common/storage/QORCommonData.h"
#include "platform/Queue.h"
#include "platform/keychain/Keychain.h"
#include "tests/http/support/RefServer.h"

namespace qortest {

// The reference server's action type for the bare envelope.
inline constexpr int64_t kCoreTestActionType = 900;

class TestAction : public qor::QORBaseClientAction {
 public:
  static std::shared_ptr<TestAction> create() { return std::shared_ptr<TestAction>(new TestAction()); }

  std::optional<int64_t> actionType() const override { return type; }
  std::optional<std::string> urlPath() const override { return path; }
  void responseReceived(const std::shared_ptr<qor::QORBaseResponse>& response) override {
    received.push_back(response);
  }

  std::optional<int64_t> type = kCoreTestActionType;
  std::optional<std::string> path = std::string(qor::QORClientActionPathAuth);
  std::vector<std::shared_ptr<qor::QORBaseResponse>> received;

 protected:
  TestAction() = default;
};

// Runs the actions it is given, and records what the base calls.
class TestController : public qor::QORBaseClientActionController {
 public:
  static std::shared_ptr<TestController> create() { return std::shared_ptr<TestController>(new TestController()); }

  bool isReadyForStart() override { return ready; }
  qor::QORStatus possibleErrorStatus() override { return notReadyStatus; }
  void setupData() override {
    ++setupCalls;
    QORBaseClientActionController::setupData();
  }
  Actions createActions() override {
    ++createCalls;
    Actions list;
    auto self = std::dynamic_pointer_cast<TestController>(shared_from_this());
    for (int i = 0; i < actionCount; ++i) {
      auto action = TestAction::create();
      action->setDelegate(self);
      action->setDataSource(self);
      list.push_back(action);
    }
    return list;
  }
  void saveActionResponse(const std::shared_ptr<qor::QORBaseClientAction>& action) override {
    saved.push_back(action);
    if (onSave) onSave(*this);
  }

  bool ready = true;
  qor::QORStatus notReadyStatus = qor::QORStatusNotEnrolled;
  int actionCount = 1;
  int setupCalls = 0;
  int createCalls = 0;
  std::vector<std::shared_ptr<qor::QORBaseClientAction>> saved;
  std::function<void(TestController&)> onSave;

 protected:
  TestController() = default;
};

// Records each final status, and whether it arrived on the main queue.
class RecordingDelegate : public qor::QORBaseClientActionControllerDelegate {
 public:
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientActionController>&,
                                                qor::QORStatus status) override {
    statuses.push_back(status);
    onMainQueue.push_back(platform::MainQueue::shared()->isCurrent());
    if (onFinish) onFinish();
  }
  std::vector<qor::QORStatus> statuses;
  std::vector<bool> onMainQueue;
  std::function<void()> onFinish;
};

// One reference server for the whole program; each test gets an empty keychain holding the
// server's host, key and an installation identifier, and a server without script or log.
class ActionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Runs the main queue until the delegate heard `count` statuses, then a little longer to catch
  // a second report.
  void waitForStatuses(const RecordingDelegate& delegate, size_t count, double seconds = 20);

  static RefServer* server_;
};

}  // namespace qortest
