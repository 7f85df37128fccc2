// A cross-platform UI module for tests: it records every call that the system makes on it, in order,
// and answers as scripted, so that a test can drive the bridge the way a real module would.
//
// A reaction is a step the module takes on the native handler of the last KivData it was given,
// after one of the system's calls. By default the module reports onScreenReady after
// attachViewWithKivData and nothing else; a test adds, say, `on("buildUIWithParcel:", approve("1234"))`.
// Reactions are posted to the main queue, where a real module's channel delivers its calls, unless
// `setAnswersInline(true)` makes them inside the system's call.
//
// Thread-safe: the system may call it on the host app's thread and on the main queue. No lock is held
// while a reaction runs.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KivAbstractCore/KivApi.h"
#include "KivAbstractCore/NativeHandler.h"
#include "platform/Json.h"

namespace qortest {

class ScriptedKivApi final : public qor::KivApi, public std::enable_shared_from_this<ScriptedKivApi> {
 public:
  struct Call {
    std::string name;                   // the requirement's selector, e.g. "buildUIWithParcel:"
    std::optional<std::string> packed;  // what the call's parcel packs to, for calls with a parcel
  };
  using Reaction = std::function<void(qor::NativeHandler& handler)>;

  static std::shared_ptr<ScriptedKivApi> create();

  // Reactions for the usual module answers.
  static Reaction screenReady();
  static Reaction approve(platform::Json answer);
  static Reaction decline();
  static Reaction declineWithData(bool didUserForgetPin);
  static Reaction backButton();

  // Sets the reaction to the call with this selector (an empty reaction removes it).
  void on(const std::string& callName, Reaction reaction);
  void setAnswersInline(bool answersInline);
  void setKivReady(bool ready);

  std::vector<Call> calls() const;
  std::vector<std::string> callNames() const;
  size_t count(std::string_view callName) const;
  std::shared_ptr<qor::KivData> kivData() const;
  std::shared_ptr<qor::Parcel> lastParcel() const;
  std::shared_ptr<qor::FlutterEngineDependency> dependency() const;
  std::shared_ptr<qor::CustomFontConfig> customFontConfig() const;

  // Acts as the module on its own initiative: runs `reaction` on the current native handler now.
  // False when no KivData with a handler has been attached.
  bool act(const Reaction& reaction);

  // KivApi
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
  bool isKivReady() override;

 private:
  ScriptedKivApi();
  // Records the call and then runs (or posts) its reaction.
  void handle(std::string name, std::shared_ptr<qor::Parcel> parcel = nullptr);

  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  std::map<std::string, Reaction> reactions_;
  bool answersInline_ = false;
  bool kivReady_ = true;
  std::shared_ptr<qor::KivData> kivData_;
  std::shared_ptr<qor::Parcel> lastParcel_;
  std::shared_ptr<qor::FlutterEngineDependency> dependency_;
  std::shared_ptr<qor::CustomFontConfig> customFontConfig_;
};

}  // namespace qortest
