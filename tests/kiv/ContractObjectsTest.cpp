#include <gtest/gtest.h>

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/FlutterEngineDependency.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/LocalStorageCustomFontConfig.h"
#include "KivAbstractCore/TransactionRequest.h"
#include "platform/Queue.h"
#include "tests/support/ScriptedKivApi.h"

using platform::Json;
using qortest::ScriptedKivApi;

namespace {

// Records what the module reports back, as the bridge would receive it.
class RecordingHandler final : public qor::NativeHandler {
 public:
  void waterMarkScreenWithBitmap(const Json&) override { events.push_back("waterMark"); }
  void approveTransactionWithData(const Json& data) override { events.push_back("approve " + data.dump()); }
  void declineTransaction() override { events.push_back("decline"); }
  void onScreenReady() override { events.push_back("ready"); }
  void detectOverlay() override { events.push_back("overlay"); }
  void onBackButtonPressed() override { events.push_back("back"); }
  void invalidMethodCallWithMethodName(const std::string& name) override { events.push_back("invalid " + name); }
  void declineTransactionWithData(std::shared_ptr<qor::DeclinedTransactionData> data) override {
    events.push_back(std::string("declineWithData forgot=") + (data->didUserForgetPin() ? "yes" : "no"));
  }
  std::vector<std::string> events;
};

class FlutterViewController final : public platform::ViewController {
 public:
  std::string className() const override { return "FlutterViewController"; }
};

TEST(KivData, KeepsItsHandlerAndControllerAliveUntilReplaced) {
  auto handler = std::make_shared<RecordingHandler>();
  auto controller = std::make_shared<FlutterViewController>();
  std::weak_ptr<RecordingHandler> weakHandler = handler;
  std::weak_ptr<platform::ViewController> weakController = controller;
  auto data = qor::KivData::create(std::move(handler), std::move(controller));

  EXPECT_FALSE(weakHandler.expired());
  EXPECT_FALSE(weakController.expired());
  EXPECT_EQ(data->controller()->className(), "FlutterViewController");
  EXPECT_TRUE(dynamic_cast<qor::AbstractKivData*>(data.get()));

  data->setNativeHandler(nullptr);
  data->setController(std::make_shared<platform::ViewController>());
  EXPECT_TRUE(weakHandler.expired());
  EXPECT_TRUE(weakController.expired());
  EXPECT_EQ(data->controller()->className(), "UIViewController");
}

TEST(ContractTypes, NoArgumentInitializersGiveEmptyValues) {
  auto dependency = qor::FlutterEngineDependency::create();
  EXPECT_EQ(dependency->flutterEngineId(), "");
  EXPECT_EQ(dependency->secureChannelName(), "");

  EXPECT_TRUE(qor::LocalStorageCustomFontConfig::create()->fontConfigList().empty());
  EXPECT_TRUE(qor::LocalStorageCustomFontConfig::create({})->fontConfigList().empty());

  auto font = qor::LocalFontConfig::create();
  EXPECT_EQ(font->fontVariant(), "");
  EXPECT_EQ(font->fontFileResource(), std::nullopt);
  // Made with bytes, even none, it holds data: empty is not absent.
  EXPECT_EQ(qor::LocalFontConfig::create("bold", {})->fontFileResource(), platform::Bytes());
}

TEST(ContractTypes, FontConfigListSharesItsEntries) {
  auto font = qor::LocalFontConfig::create("bold", {1, 2});
  auto config = qor::LocalStorageCustomFontConfig::create({font});
  font->setFontVariant("italic");
  EXPECT_EQ(config->fontConfigList().at(0)->fontVariant(), "italic");
}

class ScriptedModule : public ::testing::Test {
 protected:
  void SetUp() override { platform::MainQueue::shared()->clear(); }
  void TearDown() override { platform::MainQueue::shared()->clear(); }

  std::shared_ptr<RecordingHandler> handler_ = std::make_shared<RecordingHandler>();
  std::shared_ptr<ScriptedKivApi> module_ = ScriptedKivApi::create();
};

TEST_F(ScriptedModule, ReportsScreenReadyOnTheMainQueueAfterAttach) {
  module_->attachViewWithKivData(qor::KivData::create(handler_, nullptr));
  EXPECT_TRUE(handler_->events.empty()) << "the answer comes on the main queue, not inside the call";
  platform::MainQueue::shared()->drain();
  EXPECT_EQ(handler_->events, (std::vector<std::string>{"ready"}));
  EXPECT_EQ(module_->callNames(), (std::vector<std::string>{"attachViewWithKivData:"}));
}

TEST_F(ScriptedModule, AnswersABuiltScreenAsScriptedAndRecordsItsParcel) {
  const std::pair<ScriptedKivApi::Reaction, std::string> scripts[] = {
      {ScriptedKivApi::approve("1234"), "approve \"1234\""},
      {ScriptedKivApi::decline(), "decline"},
      {ScriptedKivApi::declineWithData(true), "declineWithData forgot=yes"},
      {ScriptedKivApi::backButton(), "back"},
  };
  for (const auto& [reaction, expected] : scripts) {
    auto handler = std::make_shared<RecordingHandler>();
    auto module = ScriptedKivApi::create();
    module->setAnswersInline(true);
    module->on("buildUIWithParcel:", reaction);
    module->attachViewWithKivData(qor::KivData::create(handler, nullptr));
    module->buildUIWithParcel(qor::TransactionRequest::create(105, qor::AuthData::create("{}", true)));
    EXPECT_EQ(handler->events, (std::vector<std::string>{"ready", expected}));
    const auto calls = module->calls();
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(calls[1].packed);
    EXPECT_EQ(Json::parse(*calls[1].packed)["authType"], 105);
  }
}

TEST_F(ScriptedModule, RecordsPreparationAndTheRemainingCallsInOrder) {
  auto dependency = qor::FlutterEngineDependency::create("engine", "channel");
  auto fonts = qor::LocalStorageCustomFontConfig::create();
  module_->prepareWithFlutterEngineDependency(dependency, fonts);
  module_->showProgressScreen();
  module_->hideProgressScreen();
  module_->hideUI();
  module_->setKivReady(false);
  EXPECT_FALSE(module_->isKivReady());

  EXPECT_EQ(module_->dependency(), dependency);
  EXPECT_EQ(module_->customFontConfig(), fonts);
  EXPECT_EQ(module_->callNames(),
            (std::vector<std::string>{"prepareWithFlutterEngineDependency:customFontConfig:", "showProgressScreen",
                                      "hideProgressScreen", "hideUI", "isKivReady"}));
  EXPECT_FALSE(module_->act(ScriptedKivApi::decline())) << "no handler attached yet";
}

}  // namespace
