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
  // Only what has the expected type is shown: the text comes from the server.
  const auto member = [](const platform::Json& object, const char* key) {
    return object.is_object() && object.contains(key) ? object[key] : platform::Json();
  };
  const auto properties = member(member(platform::Json::parse(parcel.pack(), nullptr, false), "data"), "uiJsonProperties");
  const auto ui = properties.is_string() ? platform::Json::parse(properties.get<std::string>(), nullptr, false)
                                         : platform::Json();
  if (!ui.is_object()) return "(a transaction the module cannot read: " + parcel.pack() + ")";
  const auto header = member(ui, "argGuiHeader"), guiText = member(ui, "argGuiText");
  std::string text = "[cross-platform module] " + (header.is_string() ? header.get<std::string>() : "") + ": " +
                     (guiText.is_string() ? guiText.get<std::string>() : "") + "\n";
  const auto payments = member(member(ui, "argGuiData"), "payments");
  if (payments.is_array()) {
    for (const auto& payment : payments) text += "  payment " + payment.dump() + "\n";
  }
  const auto pinLength = member(ui, "pinLength");
  text += "  PIN of " + (pinLength.is_number_integer() ? pinLength.dump() : "?") + " digits";
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
