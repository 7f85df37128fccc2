// The tenant flows against the reference server, which checks the gateway's envelope, the PUT
// method, the exact body members, and that a link's update step carries the link's nonce.
#include <gtest/gtest.h>

#include <map>

#include "common/storage/QORCommonData.h"
#include "common/theme/QORThemeKeys.h"
#include "sdk/tenants/QORLinkTenantController.h"
#include "sdk/tenants/QORUnlinkTenantController.h"
#include "sdk/tenants/QORUpdateTenantController.h"
#include "tests/actions/ActionsTestSupport.h"

namespace qortest {
namespace {

using platform::Json;

struct Outcome {
  std::vector<qor::QORStatus> statuses;
  std::shared_ptr<qor::QORTenant> tenant;
  std::optional<int64_t> tenantId;
};

class TenantsTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    qor::QORCommonData::setAppPNS(std::string("push-1"));
    qor::QORCommonData::setExternalId(std::string("EXT-1"));
    offer("CODE-1", 42, "Bank B", Json{{"screenBackgroundColor", "#112233"}});
  }

  void offer(const std::string& code, int64_t tenantId, const std::string& name, const Json& theme) {
    Json command = {{"cmd", "offerTenant"}, {"linkingCode", code}, {"tenantId", tenantId}, {"tenantName", name}};
    if (!theme.is_null()) command["theme"] = theme;
    ASSERT_EQ(server_->command(command).value("ok", false), true);
  }

  // Runs a controller the way the host app's facade does: held in a table from before `start`
  // until its completion, which takes it out.
  template <class Controller, class Key>
  Outcome run(const Key& key, std::function<std::shared_ptr<Controller>(Outcome&)> make) {
    Outcome outcome;
    auto controller = make(outcome);
    std::weak_ptr<Controller> weak = controller;
    running_[keyText(key)] = controller;
    controller.reset();
    running_[keyText(key)]->start();
    platform::MainQueue::shared()->runUntil([&] { return !outcome.statuses.empty(); }, platform::seconds(30));
    platform::MainQueue::shared()->runFor(platform::seconds(0.2));
    EXPECT_TRUE(weak.expired()) << "the completion let the controller go";
    return outcome;
  }

  Outcome link(const std::string& code) {
    return run<qor::QORLinkTenantController>(code, [&, code](Outcome& out) {
      return qor::QORLinkTenantController::create(code, [this, code, &out](qor::QORStatus status, auto tenant) {
        running_.erase(code);
        out.statuses.push_back(status);
        out.tenant = tenant;
      });
    });
  }

  Outcome update(int64_t tenantId) {
    return run<qor::QORUpdateTenantController>(tenantId, [&, tenantId](Outcome& out) {
      return qor::QORUpdateTenantController::create(tenantId, [this, tenantId, &out](qor::QORStatus status, auto tenant) {
        running_.erase(keyText(tenantId));
        out.statuses.push_back(status);
        out.tenant = tenant;
      });
    });
  }

  Outcome unlink(int64_t tenantId) {
    return run<qor::QORUnlinkTenantController>(tenantId, [&, tenantId](Outcome& out) {
      return qor::QORUnlinkTenantController::create(tenantId, [this, tenantId, &out](qor::QORStatus status, auto id) {
        running_.erase(keyText(tenantId));
        out.statuses.push_back(status);
        out.tenantId = id;
      });
    });
  }

  static std::string keyText(const std::string& code) { return code; }
  static std::string keyText(int64_t id) { return std::to_string(id); }

  std::vector<int64_t> sentTypes() {
    std::vector<int64_t> types;
    for (const auto& request : server_->requests()) types.push_back(request["header"]["type"].get<int64_t>());
    return types;
  }

  std::map<std::string, std::shared_ptr<qor::QORBaseClientActionController>> running_;
};

TEST_F(TenantsTest, LinkingFetchesTheNewTenantsNameAndThemeUnderTheLinksNonce) {
  const Outcome linked = link("CODE-1");
  ASSERT_EQ(linked.statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
  EXPECT_EQ(linked.tenant->name(), "Bank B");
  EXPECT_EQ(linked.tenant->tenantId(), 42);
  ASSERT_TRUE(linked.tenant->theme());
  EXPECT_EQ(linked.tenant->theme()->title(), "Bank B");
  EXPECT_EQ(linked.tenant->theme()->getColorForKey(qor::QORThemeScreenBackgroundColorKey),
            platform::Color::colorWithRed(0x11 / 255.0, 0x22 / 255.0, 0x33 / 255.0, 1.0));

  const Json requests = server_->requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request["accepted"], true) << request.dump();
    EXPECT_EQ(request["method"], "PUT");
    EXPECT_EQ(request["path"], "/gateway/app");
    EXPECT_EQ(request["header"].size(), 3u);
  }
  EXPECT_EQ(requests[0]["header"]["type"], 201);
  EXPECT_EQ(requests[0]["body"]["appExternalId"], "EXT-1");
  EXPECT_EQ(requests[0]["body"]["linkingCode"], "CODE-1");
  EXPECT_EQ(requests[1]["header"]["type"], 202);
  EXPECT_EQ(requests[1]["body"]["tenantId"], 42) << "the identifier of the link answer, as a number";
  EXPECT_EQ(requests[1]["body"]["nonceQOR"], requests[0]["body"]["nonceQOR"]);
  const Json state = server_->command({{"cmd", "state"}});
  EXPECT_EQ(state["sessions"]["device-1"]["nonceChecks"][0]["rule"], "the nonce of the link");
  EXPECT_EQ(state["tenants"]["EXT-1"]["42"]["awaitingUpdate"], false);
}

TEST_F(TenantsTest, AnEnrolledDeviceUpdatesAndUnlinksALinkedTenant) {
  ASSERT_EQ(link("CODE-1").statuses, std::vector<qor::QORStatus>{1});
  qor::QORCommonData::setSkVTN(std::string("enrolled"));

  const Outcome updated = update(42);
  ASSERT_EQ(updated.statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
  EXPECT_EQ(updated.tenant->name(), "Bank B");
  EXPECT_EQ(updated.tenant->tenantId(), 42);
  EXPECT_EQ(updated.tenant->theme()->title(), "Bank B");
  Json requests = server_->requests();
  EXPECT_NE(requests[2]["body"]["nonceQOR"], requests[1]["body"]["nonceQOR"]) << "a run of its own has a nonce of its own";

  const Outcome unlinked = unlink(42);
  EXPECT_EQ(unlinked.statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
  EXPECT_EQ(unlinked.tenantId, 42);
  requests = server_->requests();
  EXPECT_EQ(requests[3]["header"]["type"], 203);
  EXPECT_EQ(requests[3]["method"], "PUT");
  EXPECT_EQ(requests[3]["body"]["tenantId"], "42") << "the identifier as text";
  EXPECT_TRUE(server_->command({{"cmd", "state"}})["tenants"]["EXT-1"].empty());

  // The server no longer knows the tenant: its refusal reaches the completion.
  const Outcome again = unlink(42);
  EXPECT_EQ(again.statuses, std::vector<qor::QORStatus>{0});
  EXPECT_EQ(again.tenantId, 42);
}

TEST_F(TenantsTest, ControllersThatAreNotReadyReportAtOnceAndSendNothing) {
  const auto startAndCollect = [&](auto controller, const Outcome& outcome) {
    controller->start();
    // Inside `start`, before the main queue ever ran.
    EXPECT_EQ(outcome.statuses.size(), 1u);
  };
  {
    SCOPED_TRACE("link without a push token");
    qor::QORCommonData::setAppPNS(std::nullopt);
    Outcome out;
    startAndCollect(qor::QORLinkTenantController::create("CODE-1", [&](qor::QORStatus s, auto t) {
      out.statuses.push_back(s);
      out.tenant = t;
    }), out);
    EXPECT_EQ(out.statuses, std::vector<qor::QORStatus>{44});
    EXPECT_FALSE(out.tenant->name() || out.tenant->tenantId() || out.tenant->theme());
  }
  for (bool unlinking : {false, true}) {
    SCOPED_TRACE(unlinking ? "unlink, not enrolled" : "update, not enrolled");
    Outcome out;
    if (unlinking) {
      startAndCollect(qor::QORUnlinkTenantController::create(42, [&](qor::QORStatus s, auto id) {
        out.statuses.push_back(s);
        out.tenantId = id;
      }), out);
      EXPECT_EQ(out.tenantId, 42);
    } else {
      startAndCollect(qor::QORUpdateTenantController::create(42, [&](qor::QORStatus s, auto t) {
        out.statuses.push_back(s);
        out.tenant = t;
      }), out);
      EXPECT_EQ(out.tenant->tenantId(), 42);
      EXPECT_FALSE(out.tenant->name() || out.tenant->theme());
    }
    EXPECT_EQ(out.statuses, std::vector<qor::QORStatus>{52});
  }
  {
    SCOPED_TRACE("link on a device that never started an enrollment");
    qor::QORCommonData::setAppPNS(std::string("push-1"));
    qor::QORCommonData::setExternalId(std::nullopt);
    Outcome out;
    startAndCollect(qor::QORLinkTenantController::create("CODE-1", [&](qor::QORStatus s, auto t) {
      out.statuses.push_back(s);
      out.tenant = t;
    }), out);
    EXPECT_EQ(out.statuses, std::vector<qor::QORStatus>{0});
  }
  EXPECT_TRUE(server_->requests().empty());
}

TEST_F(TenantsTest, AFailingStepEndsTheLinkWithWhatSucceededBefore) {
  const struct {
    const char* name;
    const char* code;
    Json script;
    qor::QORStatus status;
    std::vector<int64_t> sent;
    std::optional<int64_t> tenantId;
  } cases[] = {
      {"an unknown linking code", "NO-SUCH-CODE", nullptr, 0, {201}, std::nullopt},
      {"the link refused with -983", "CODE-1",
       {{"type", 201}, {"httpStatus", 500}, {"json", {{"error", {{"code", -983}}}}}}, 44, {201}, std::nullopt},
      {"the update refused with -983", "CODE-1",
       {{"type", 202}, {"httpStatus", 500}, {"json", {{"error", {{"code", -983}}}}}}, 44, {201, 202}, 42},
      // The update then asks for tenant 0, which the server never linked.
      {"a link answer without tenantId", "CODE-1", {{"type", 201}, {"bodyRemove", {"tenantId"}}}, 0, {201, 202}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (!c.script.is_null()) server_->script(Json::array({c.script}));
    const Outcome out = link(c.code);
    EXPECT_EQ(out.statuses, std::vector<qor::QORStatus>{c.status});
    EXPECT_EQ(sentTypes(), c.sent);
    EXPECT_EQ(out.tenant->tenantId(), c.tenantId);
    EXPECT_FALSE(out.tenant->name() || out.tenant->theme());
    if (c.tenantId == 0) {
      EXPECT_EQ(server_->requests()[1]["body"]["tenantId"], 0);
    }
  }
}

TEST_F(TenantsTest, AnUpdateAnswerWithoutAThemeStillGivesATitledTheme) {
  offer("CODE-2", 7, "Plain Bank", nullptr);
  const Outcome out = link("CODE-2");
  ASSERT_EQ(out.statuses, std::vector<qor::QORStatus>{1}) << server_->requests().dump();
  ASSERT_TRUE(out.tenant->theme());
  EXPECT_EQ(out.tenant->theme()->title(), "Plain Bank");
  EXPECT_FALSE(out.tenant->theme()->dictonary());
  EXPECT_FALSE(out.tenant->theme()->logo());
}

TEST_F(TenantsTest, AnEmptyCompletionIsNeverCalled) {
  auto linkController = qor::QORLinkTenantController::create("CODE-1", nullptr);
  linkController->start();
  platform::MainQueue::shared()->runUntil([&] { return server_->requests().size() == 2; }, platform::seconds(30));
  platform::MainQueue::shared()->runFor(platform::seconds(0.3));
  EXPECT_EQ(sentTypes(), (std::vector<int64_t>{201, 202}));
  // Not ready: the report comes inside `start`.
  qor::QORUpdateTenantController::create(42, nullptr)->start();
  qor::QORUnlinkTenantController::create(42, nullptr)->start();
}

}  // namespace
}  // namespace qortest
