#include "tests/support/ScriptedKivApi.h"

#include <algorithm>

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/Parcel.h"
#include "platform/Queue.h"

namespace qortest {

std::shared_ptr<ScriptedKivApi> ScriptedKivApi::create() {
  return std::shared_ptr<ScriptedKivApi>(new ScriptedKivApi());
}

ScriptedKivApi::ScriptedKivApi() { reactions_["attachViewWithKivData:"] = screenReady(); }

ScriptedKivApi::Reaction ScriptedKivApi::screenReady() {
  return [](qor::NativeHandler& h) { h.onScreenReady(); };
}
ScriptedKivApi::Reaction ScriptedKivApi::approve(platform::Json answer) {
  return [answer = std::move(answer)](qor::NativeHandler& h) { h.approveTransactionWithData(answer); };
}
ScriptedKivApi::Reaction ScriptedKivApi::decline() {
  return [](qor::NativeHandler& h) { h.declineTransaction(); };
}
ScriptedKivApi::Reaction ScriptedKivApi::declineWithData(bool didUserForgetPin) {
  return [didUserForgetPin](qor::NativeHandler& h) {
    h.declineTransactionWithData(qor::DeclinedTransactionData::create(didUserForgetPin));
  };
}
ScriptedKivApi::Reaction ScriptedKivApi::backButton() {
  return [](qor::NativeHandler& h) { h.onBackButtonPressed(); };
}

void ScriptedKivApi::on(const std::string& callName, Reaction reaction) {
  std::lock_guard lock(mutex_);
  if (reaction) {
    reactions_[callName] = std::move(reaction);
  } else {
    reactions_.erase(callName);
  }
}

void ScriptedKivApi::setAnswersInline(bool answersInline) {
  std::lock_guard lock(mutex_);
  answersInline_ = answersInline;
}

void ScriptedKivApi::setKivReady(bool ready) {
  std::lock_guard lock(mutex_);
  kivReady_ = ready;
}

std::vector<ScriptedKivApi::Call> ScriptedKivApi::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> ScriptedKivApi::callNames() const {
  std::vector<std::string> names;
  for (const auto& call : calls()) names.push_back(call.name);
  return names;
}

size_t ScriptedKivApi::count(std::string_view callName) const {
  const auto all = calls();
  return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const Call& c) { return c.name == callName; }));
}

std::shared_ptr<qor::KivData> ScriptedKivApi::kivData() const {
  std::lock_guard lock(mutex_);
  return kivData_;
}

std::shared_ptr<qor::Parcel> ScriptedKivApi::lastParcel() const {
  std::lock_guard lock(mutex_);
  return lastParcel_;
}

std::shared_ptr<qor::FlutterEngineDependency> ScriptedKivApi::dependency() const {
  std::lock_guard lock(mutex_);
  return dependency_;
}

std::shared_ptr<qor::CustomFontConfig> ScriptedKivApi::customFontConfig() const {
  std::lock_guard lock(mutex_);
  return customFontConfig_;
}

bool ScriptedKivApi::act(const Reaction& reaction) {
  auto data = kivData();
  auto handler = data ? data->nativeHandler() : nullptr;
  if (!handler) return false;
  reaction(*handler);
  return true;
}

void ScriptedKivApi::handle(std::string name, std::shared_ptr<qor::Parcel> parcel) {
  Call call{name, parcel ? std::optional<std::string>(parcel->pack()) : std::nullopt};
  Reaction reaction;
  bool answersInline;
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    if (parcel) lastParcel_ = std::move(parcel);
    if (auto it = reactions_.find(name); it != reactions_.end()) reaction = it->second;
    answersInline = answersInline_;
  }
  if (!reaction) return;
  if (answersInline) {
    act(reaction);
    return;
  }
  // The handler is looked up when the step runs, as a module's channel would find it then.
  platform::MainQueue::shared()->postFor(weak_from_this(), [reaction](const std::shared_ptr<ScriptedKivApi>& self) {
    self->act(reaction);
  });
}

void ScriptedKivApi::displayUIWithParcel(std::shared_ptr<qor::Parcel> parcel) {
  handle("displayUIWithParcel:", std::move(parcel));
}

void ScriptedKivApi::buildUIWithParcel(std::shared_ptr<qor::Parcel> parcel) {
  handle("buildUIWithParcel:", std::move(parcel));
}

void ScriptedKivApi::attachViewWithKivData(std::shared_ptr<qor::KivData> kivData) {
  {
    std::lock_guard lock(mutex_);
    kivData_ = std::move(kivData);
  }
  handle("attachViewWithKivData:");
}

void ScriptedKivApi::prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency) {
  {
    std::lock_guard lock(mutex_);
    dependency_ = std::move(dependency);
  }
  handle("prepareWithFlutterEngineDependency:");
}

void ScriptedKivApi::prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency,
                                                        std::shared_ptr<qor::CustomFontConfig> customFontConfig) {
  {
    std::lock_guard lock(mutex_);
    dependency_ = std::move(dependency);
    customFontConfig_ = std::move(customFontConfig);
  }
  handle("prepareWithFlutterEngineDependency:customFontConfig:");
}

void ScriptedKivApi::hideUI() { handle("hideUI"); }
void ScriptedKivApi::showTransactionApprovedScreen() { handle("showTransactionApprovedScreen"); }
void ScriptedKivApi::showTransactionDeclinedScreen() { handle("showTransactionDeclinedScreen"); }
void ScriptedKivApi::showProgressScreen() { handle("showProgressScreen"); }
void ScriptedKivApi::hideProgressScreen() { handle("hideProgressScreen"); }

bool ScriptedKivApi::isKivReady() {
  handle("isKivReady");
  std::lock_guard lock(mutex_);
  return kivReady_;
}

}  // namespace qortest
