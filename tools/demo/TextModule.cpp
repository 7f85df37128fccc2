#include "tools/demo/TextModule.h"

#include <tuple>
#include <utility>

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/FlutterEngineDependency.h"
#include "platform/Json.h"
#include "platform/Queue.h"
#include "tools/demo/Console.h"

namespace demo {

namespace {

// The transaction as the bridge describes it: the JSON text it hands over, and what the module shows
// of it (header, text, payments, PIN length).
struct Transaction {
  std::string json;
  std::string text;
  std::optional<size_t> pinLength;
};

Transaction read(const qor::Parcel& parcel) {
  // Only what has the expected type is shown: the text comes from the server.
  const auto member = [](const platform::Json& object, const char* key) {
    return object.is_object() && object.contains(key) ? object[key] : platform::Json();
  };
  Transaction transaction;
  const auto properties = member(member(platform::Json::parse(parcel.pack(), nullptr, false), "data"), "uiJsonProperties");
  if (properties.is_string()) transaction.json = properties.get<std::string>();
  const auto ui = platform::Json::parse(transaction.json, nullptr, false);
  if (!ui.is_object()) {
    transaction.text = "(a transaction the module cannot read: " + parcel.pack() + ")";
    return transaction;
  }
  const auto header = member(ui, "argGuiHeader"), guiText = member(ui, "argGuiText");
  std::string text = "[cross-platform module] " + (header.is_string() ? header.get<std::string>() : "") + ": " +
                     (guiText.is_string() ? guiText.get<std::string>() : "") + "\n";
  const auto payments = member(member(ui, "argGuiData"), "payments");
  if (payments.is_array()) {
    for (const auto& payment : payments) text += "  payment " + payment.dump() + "\n";
  }
  const auto pinLength = member(ui, "pinLength");
  if (pinLength.is_number_unsigned() && pinLength.get<uint64_t>() > 0 && pinLength.get<uint64_t>() <= 64) {
    transaction.pinLength = pinLength.get<size_t>();
  }
  text += "  PIN of " + (transaction.pinLength ? std::to_string(*transaction.pinLength) : std::string("?")) + " digits";
  transaction.text = std::move(text);
  return transaction;
}

// The person's answer: the PIN (of the transaction's length, when it names one), d or f.
std::optional<std::pair<TextModule::ScriptedAnswer, std::string>> askAnswer(std::optional<size_t> pinLength) {
  const std::string digits = pinLength ? std::to_string(*pinLength) + " digits" : "digits";
  for (;;) {
    auto typed = Console::ask("Type the PIN to approve (" + digits + "), d to decline, f if you forgot the PIN:");
    if (!typed) return std::nullopt;
    const std::string text = normalized(*typed);
    if (text == "d" || text == "decline") return std::make_pair(TextModule::ScriptedAnswer::decline, std::string());
    if (text == "f" || text == "forgot") return std::make_pair(TextModule::ScriptedAnswer::forgotPin, std::string());
    if (isDigits(text) && (!pinLength || text.size() == *pinLength)) {
      return std::make_pair(TextModule::ScriptedAnswer::approve, text);
    }
    Console::line("  please answer a PIN of " + digits + " (0-9), d (decline) or f (forgot)");
  }
}

}  // namespace

std::shared_ptr<TextModule> TextModule::create(bool interactive, std::string pin, ScriptedAnswer scripted,
                                               bool verbose) {
  return std::shared_ptr<TextModule>(new TextModule(interactive, std::move(pin), scripted, verbose));
}

std::optional<TextModule::ScriptedAnswer> TextModule::lastAnswer() const {
  std::lock_guard lock(mutex_);
  return lastAnswer_;
}

void TextModule::forgetAnswer() {
  std::lock_guard lock(mutex_);
  lastAnswer_.reset();
}

bool TextModule::received(const std::string& text) const {
  std::lock_guard lock(mutex_);
  return !receivedText_.empty() && text == receivedText_;
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
  const Transaction transaction = read(*parcel);
  if (verbose_) Console::line("  [cross-platform module] JSON received: " + transaction.json);
  Console::block(transaction.text);
  ScriptedAnswer choice = scripted_;
  std::string pin = pin_;
  if (interactive_) {
    auto typed = askAnswer(transaction.pinLength);
    if (!typed) return false;
    std::tie(choice, pin) = *typed;
  }
  {
    std::lock_guard lock(mutex_);
    lastAnswer_ = choice;
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
  std::string json = parcel ? read(*parcel).json : std::string();
  std::lock_guard lock(mutex_);
  receivedText_ = std::move(json);
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
