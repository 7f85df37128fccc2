#include "tools/demo/TextModule.h"

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/FlutterEngineDependency.h"
#include "platform/Json.h"
#include "platform/Queue.h"
#include "tools/demo/Console.h"

namespace demo {

namespace {

// The transaction as the bridge describes it: header, text, PIN length and the payments.
std::string describe(const qor::Parcel& parcel) {
  const auto packed = platform::Json::parse(parcel.pack(), nullptr, false);
  const auto ui = platform::Json::parse(packed.value("data", platform::Json::object()).value("uiJsonProperties", ""),
                                        nullptr, false);
  if (!ui.is_object()) return "(a transaction the module cannot read: " + parcel.pack() + ")";
  std::string text = "[cross-platform module] " + ui.value("argGuiHeader", std::string()) + ": " +
                     ui.value("argGuiText", std::string()) + "\n";
  const auto data = ui.value("argGuiData", platform::Json::object());
  for (const auto& payment : data.value("payments", platform::Json::array())) {
    text += "  payment " + payment.dump() + "\n";
  }
  text += "  PIN of " + std::to_string(ui.value("pinLength", 0)) + " digits";
  return text;
}

}  // namespace

std::shared_ptr<TextModule> TextModule::create(bool interactive, std::string pin, ScriptedAnswer scripted) {
  return std::shared_ptr<TextModule>(new TextModule(interactive, std::move(pin), scripted));
}

bool TextModule::isWaitingForAnswer() const {
  std::lock_guard lock(mutex_);
  return shown_ != nullptr;
}

bool TextModule::answer() {
  std::shared_ptr<qor::Parcel> parcel;
  std::shared_ptr<qor::NativeHandler> handler;
  {
    std::lock_guard lock(mutex_);
    parcel = std::exchange(shown_, nullptr);
    handler = kivData_ ? kivData_->nativeHandler() : nullptr;
  }
  if (!parcel || !handler) return true;
  Console::block(describe(*parcel));
  ScriptedAnswer choice = scripted_;
  std::string pin = pin_;
  if (interactive_) {
    auto typed = Console::ask("Type the PIN to approve, d to decline, f if you forgot the PIN:");
    if (!typed) return false;
    choice = *typed == "d" ? ScriptedAnswer::decline : *typed == "f" ? ScriptedAnswer::forgotPin : ScriptedAnswer::approve;
    pin = *typed;
  }
  switch (choice) {
    case ScriptedAnswer::approve:
      Console::line("  the module approves with the PIN");
      handler->approveTransactionWithData(platform::Json(pin));
      break;
    case ScriptedAnswer::decline:
      Console::line("  the module declines");
      handler->declineTransaction();
      break;
    case ScriptedAnswer::forgotPin:
      Console::line("  the module declines: the PIN is forgotten");
      handler->declineTransactionWithData(qor::DeclinedTransactionData::create(true));
      break;
  }
  return true;
}

void TextModule::displayUIWithParcel(std::shared_ptr<qor::Parcel>) {}

void TextModule::buildUIWithParcel(std::shared_ptr<qor::Parcel> parcel) {
  std::lock_guard lock(mutex_);
  shown_ = std::move(parcel);
}

void TextModule::attachViewWithKivData(std::shared_ptr<qor::KivData> kivData) {
  {
    std::lock_guard lock(mutex_);
    kivData_ = std::move(kivData);
  }
  Console::line("  [cross-platform module] view attached; screen ready");
  // A real module reports from its own channel, on a later turn of the main queue.
  platform::MainQueue::shared()->postFor(weak_from_this(), [](const std::shared_ptr<TextModule>& self) {
    std::shared_ptr<qor::NativeHandler> handler;
    {
      std::lock_guard lock(self->mutex_);
      handler = self->kivData_ ? self->kivData_->nativeHandler() : nullptr;
    }
    if (handler) handler->onScreenReady();
  });
}

void TextModule::prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency) {
  prepareWithFlutterEngineDependency(std::move(dependency), nullptr);
}

void TextModule::prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency,
                                                    std::shared_ptr<qor::CustomFontConfig>) {
  if (dependency) Console::line("  [cross-platform module] prepared: engine " + dependency->flutterEngineId());
}

void TextModule::hideUI() {
  {
    std::lock_guard lock(mutex_);
    shown_.reset();
  }
  Console::line("  [cross-platform module] hides its screens");
}

void TextModule::showTransactionApprovedScreen() { Console::line("  [cross-platform module] approved"); }
void TextModule::showTransactionDeclinedScreen() { Console::line("  [cross-platform module] declined"); }
void TextModule::showProgressScreen() { Console::line("  [cross-platform module] progress shown"); }
void TextModule::hideProgressScreen() { Console::line("  [cross-platform module] progress hidden"); }

}  // namespace demo
