#include "tests/presenters/PresenterTestSupport.h"

#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "sdk/QORConstants.h"

namespace qortest {

using platform::Json;

Json flutterScreens(const Json& screens) {
  Json texts = Json::object();
  for (const auto& [key, screen] : screens.items()) texts[key] = screen.is_string() ? screen : Json(screen.dump());
  return texts.dump();
}

void PresenterTest::SetUp() {
  AuthorizationTest::SetUp();
  reports_.clear();
  platform::SimulatedBiometrics::reset();
  platform::AppInfo::setValue(qor::faceIdUsageDescriptionKey, std::nullopt);
  screen_ = std::make_unique<platform::HeadlessWindow>();
}

void PresenterTest::TearDown() {
  if (manager_) manager_->supersede();
  manager_.reset();
  {
    platform::VirtualTime time;
    platform::MainQueue::shared()->runFor(platform::seconds(10));
  }
  screen_.reset();
  platform::SimulatedBiometrics::reset();
  AuthorizationTest::TearDown();
}

qor::UIManager::Completion PresenterTest::recordReports() {
  return [this](bool cancelled, qor::QORStatus status, std::shared_ptr<qor::TransactionInfo> info) {
    reports_.push_back({cancelled, status, std::move(info)});
  };
}

qor::KivCommunicator::Completion PresenterTest::recordBridgeReports() {
  return [this](bool cancelled, qor::QORStatus status) { reports_.push_back({cancelled, status, nullptr}); };
}

std::shared_ptr<qor::UIManager> PresenterTest::startManager(std::shared_ptr<qor::KivApi> module,
                                                            std::shared_ptr<platform::ViewController> loader) {
  manager_ = qor::UIManager::create(qor::QORTheme::create("Bank"), 4711, std::move(module), nullptr, std::move(loader),
                                    recordReports());
  manager_->start();
  return manager_;
}

void PresenterTest::waitForReports(size_t count) {
  waitFor([&] { return reports_.size() >= count; });
  settle();
}

bool PresenterTest::tap(const std::string& title) {
  return platform::tapButtonWithTitle(title) == platform::TapResult::delivered;
}

bool PresenterTest::enterPin(const std::string& pin) {
  for (char digit : pin) {
    if (!tap(std::string(1, digit))) return false;
  }
  return tap("Confirm");
}

std::vector<int64_t> PresenterTest::decisionRecordTypes() {
  std::vector<int64_t> types;
  const Json all = decisions();
  if (!all.is_array() || all.size() != 1) return types;
  for (const auto& record : all[0]["records"]) types.push_back(record["type"].get<int64_t>());
  return types;
}

size_t PresenterTest::commitsReceived() {
  size_t count = 0;
  for (const auto& request : server_->requests()) {
    if (request["header"]["type"] == 104) ++count;
  }
  return count;
}

}  // namespace qortest
