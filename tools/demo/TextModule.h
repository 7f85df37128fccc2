// The demo's cross-platform UI module: where a real host app would run its cross-platform screens,
// this one shows the transaction that the bridge hands it as text and answers as the person at the
// terminal (or the script) says: approve with the PIN, decline, or decline because the PIN is
// forgotten, which only this road can report. With `verbose` it also prints the JSON text it receives.
//
// Main queue, like the bridge that drives it.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "KivAbstractCore/KivApi.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/Parcel.h"

namespace demo {

class TextModule final : public qor::KivApi, public std::enable_shared_from_this<TextModule> {
 public:
  enum class ScriptedAnswer { approve, decline, forgotPin };

  static std::shared_ptr<TextModule> create(bool interactive, std::string pin, ScriptedAnswer scripted,
                                            bool verbose = false);

  // A transaction is shown and not yet answered.
  bool isWaitingForAnswer() const;
  // Shows the transaction and answers it; false when the person's input ended.
  bool answer();
  // The last answer given, nullopt before the first one or after forgetAnswer.
  std::optional<ScriptedAnswer> lastAnswer() const;
  void forgetAnswer();
  // `text` is the JSON text of a transaction the module was handed.
  bool received(const std::string& text) const;

  void displayUIWithParcel(std::shared_ptr<qor::Parcel> parcel) override;
  void buildUIWithParcel(std::shared_ptr<qor::Parcel> parcel) override;
  void attachViewWithKivData(std::shared_ptr<qor::KivData> kivData) override;
  void prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency) override;
  void prepareWithFlutterEngineDependency(std::shared_ptr<qor::FlutterEngineDependency> dependency,
                                          std::shared_ptr<qor::CustomFontConfig> customFontConfig) override;
  void hideUI() override;
  void showTransactionApprovedScreen() override;
  void showTransactionDeclinedScreen() override;
  void showProgressScreen() override;
  void hideProgressScreen() override;
  bool isKivReady() override { return true; }

 private:
  TextModule(bool interactive, std::string pin, ScriptedAnswer scripted, bool verbose)
      : interactive_(interactive), pin_(std::move(pin)), scripted_(scripted), verbose_(verbose) {}

  const bool interactive_;
  const std::string pin_;
  const ScriptedAnswer scripted_;
  const bool verbose_;
  mutable std::mutex mutex_;  // the system may prepare the module on another thread
  std::shared_ptr<qor::KivData> kivData_;
  std::shared_ptr<qor::Parcel> shown_;
  std::optional<ScriptedAnswer> lastAnswer_;
  std::string receivedText_;
};

}  // namespace demo
