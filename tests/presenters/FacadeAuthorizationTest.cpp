// The facade's two authorization entries on top of the presenters: a native run replaced by the next
// one, and the module set up with `update` reaching the next native run.
#include <gtest/gtest.h>

#include "platform/Queue.h"
#include "sdk/QORModule.h"
#include "tests/presenters/PresenterTestSupport.h"
#include "tests/support/ScriptedKivApi.h"
#include "ui/confirm/QORCommitAuthViewController.h"

namespace qortest {
namespace {

using platform::Json;
using qor::QORModule;

class FacadeEntries : public PresenterTest {
 protected:
  void TearDown() override {
    // The facade's manager would outlive the case and report into it later.
    QORModule::setUiManager(nullptr);
    QORModule::update(nullptr);
    settle();
    PresenterTest::TearDown();
  }

  void authorize(int64_t sessionId, std::vector<Report>& into) {
    QORModule::startAuthorizationWithTheme(
        qor::QORTheme::create("Bank"), sessionId, nullptr, nullptr,
        [&into](bool cancelled, qor::QORStatus status, std::shared_ptr<qor::TransactionInfo> info) {
          into.push_back({cancelled, status, std::move(info)});
        });
  }

  // The confirm screen on top once it is not `previous` any more; nullptr after the time-out.
  std::shared_ptr<qor::QORCommitAuthViewController> nextConfirmScreen(
      const std::shared_ptr<qor::QORCommitAuthViewController>& previous) {
    waitFor([&] {
      auto top = std::dynamic_pointer_cast<qor::QORCommitAuthViewController>(platform::topPresentedViewController());
      return top && top != previous;
    });
    auto top = waitForScreen<qor::QORCommitAuthViewController>();
    return top != previous ? top : nullptr;
  }

  std::vector<int64_t> wokenSessions() {
    std::vector<int64_t> sessions;
    for (const auto& request : server_->requests()) {
      if (request["header"]["type"] == 105) sessions.push_back(request["body"]["sessionId"].get<int64_t>());
    }
    return sessions;
  }
};

TEST_F(FacadeEntries, ANativeRunReplacedByTheNextEndsOnceWith44AndTheNextOneGoesOn) {
  enroll(false, Json{{"chainType", "WAKEUP_AUTH_OK"}});
  std::vector<Report> first;
  std::vector<Report> second;
  authorize(4711, first);
  auto firstScreen = waitForScreen<qor::QORCommitAuthViewController>();
  ASSERT_TRUE(firstScreen);
  std::weak_ptr<qor::UIManager> firstManager = QORModule::uiManager();

  authorize(4712, second);
  waitFor([&] { return !first.empty(); });
  EXPECT_TRUE(firstManager.expired());
  ASSERT_EQ(first.size(), 1u);
  EXPECT_FALSE(first[0].cancelled);
  EXPECT_EQ(first[0].status, 44);
  EXPECT_EQ(first[0].info, nullptr);

  // The next run shows its own screen and ends as the user decides.
  ASSERT_TRUE(nextConfirmScreen(firstScreen));
  ASSERT_TRUE(tap("Confirm"));
  waitFor([&] { return !second.empty(); });
  settle();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_FALSE(second[0].cancelled);
  EXPECT_EQ(second[0].status, 1);
  EXPECT_NE(second[0].info, nullptr);
  EXPECT_EQ(first.size(), 1u) << "the replaced run reports once";
  EXPECT_EQ(wokenSessions(), (std::vector<int64_t>{4711, 4712}));
  EXPECT_EQ(commitsReceived(), 1u) << "only the run the user decided commits";
}

TEST_F(FacadeEntries, TheModuleSetUpWithUpdateReachesTheNextNativeRun) {
  enroll(false, Json{{"chainType", "WAKEUP_AUTH_OK"}});
  std::vector<Report> reports;
  authorize(4711, reports);
  ASSERT_TRUE(QORModule::uiManager());
  EXPECT_EQ(QORModule::uiManager()->flutter(), nullptr) << "no module yet";
  auto firstScreen = waitForScreen<qor::QORCommitAuthViewController>();
  ASSERT_TRUE(firstScreen);

  auto module = ScriptedKivApi::create();
  QORModule::update(module);
  authorize(4712, reports);
  ASSERT_TRUE(QORModule::uiManager());
  ASSERT_NE(QORModule::uiManager()->flutter(), nullptr);
  EXPECT_EQ(QORModule::uiManager()->flutter()->kiv(), module);
  // Without cross-platform screens in the prepare answer the native screens still show the run.
  ASSERT_TRUE(nextConfirmScreen(firstScreen));
  ASSERT_TRUE(tap("Confirm"));
  waitFor([&] { return reports.size() == 2; });
  settle();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].status, 44) << "the first run was replaced";
  EXPECT_EQ(reports[1].status, 1);
}

}  // namespace
}  // namespace qortest
