// Puts one authorization on screen through the host app's cross-platform UI module instead of the
// native screens. It is the authorization controller's delegate and the module's native handler:
// when the run pauses it attaches the module's view; when the module's screen is ready it hands it
// one JSON description of the transaction and its screens (a TransactionRequest); the user's
// approval or decline goes to the controller; the final status hides the module's UI and reaches the
// completion with the cancelled flag.
//
// One decision per run: once a commit or a decline has gone to the controller, every later approval
// and decline is dropped, so a late decline cannot turn an approved run into a declined one. A
// biometric approval opens the system prompt first (its reason is the host app's
// "NSFaceIDUsageDescription", or the default text when there is none); a failed match may be
// approved again, a prompt that leaves biometrics unavailable, or a device without them and without
// a fallback screen, declines the transaction (401). An approval on the fallback screen counts as a
// PIN answer (402). The module's answer value is sealed as text: a number as its decimal text,
// anything else that is not text as the empty text.
//
// Made by the facade's cross-platform-only entry (with a controller of its own) or by UIManager
// (sharing the manager's controller; the manager stays the controller's delegate and forwards).
// Without a module, `start` completes at once with 44 and sends nothing. The bridge keeps itself
// alive from creation until `terminate` (after the final status, or when its owner lets the run go
// on without it); after that the module's calls are ignored.
//
// Main queue only (checked in Debug builds): the controller's calls, the module's calls and the
// completion; the biometric prompt's reply is moved to the main queue and holds the bridge weakly. It
// holds its controller and the module strongly until `terminate`.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "KivAbstractCore/KivApi.h"
#include "KivAbstractCore/NativeHandler.h"
#include "common/actions/QORStatus.h"
#include "platform/Json.h"
#include "platform/SequenceChecker.h"
#include "sdk/authorization/QORAuthController.h"
#include "sdk/authorization/QORAuthControllerDelegate.h"

namespace qor {

class KivCommunicator : public NativeHandler,
                        public QORAuthControllerDelegate,
                        public std::enable_shared_from_this<KivCommunicator> {
 public:
  using Completion = std::function<void(bool cancelled, QORStatus status)>;

  static constexpr const char* kFallbackButtonTitle = "Authenticate with PIN";
  static constexpr const char* kFaceType = "FACE3DMAP";
  static constexpr const char* kFingerprintType = "FINGERPRINT";

  // With a controller of its own (the cross-platform-only entry); `kivApiImpl` may be nil. The
  // completion runs once, on the main queue, with (cancelled, status); it may be empty.
  static std::shared_ptr<KivCommunicator> create(std::optional<int64_t> sessionId, std::shared_ptr<KivApi> kivApiImpl,
                                                 Completion completion);
  // Sharing `authController`; the bridge becomes its delegate (an owner that wants to stay the
  // delegate sets itself again afterwards).
  static std::shared_ptr<KivCommunicator> create(std::optional<int64_t> sessionId,
                                                 std::shared_ptr<QORAuthController> authController,
                                                 std::shared_ptr<KivApi> kivApiImpl, Completion completion);
  ~KivCommunicator() override;

  // Starts the controller; without a module, completes with (YES, 44) at once instead and terminates.
  void start();
  // Drops the completion, the self-reference, the module and the controller (and the controller's
  // delegate when that is this bridge); a paused run takes no decision afterwards. Idempotent.
  void terminate();

  const std::shared_ptr<QORAuthController>& authController() const { return authController_; }
  const std::shared_ptr<KivApi>& kiv() const { return kiv_; }
  std::optional<int64_t> sessionId() const { return sessionId_; }
  // QORAuthTypeOk, QORAuthTypePin, QORAuthTypeBio or QORAuthTypeSetPin; QORAuthTypePin after the
  // user took the PIN fallback in the biometric prompt.
  int32_t authType() const { return authType_; }
  int32_t pinCodeLenght() const { return pinCodeLenght_; }
  std::optional<int64_t> authFallbackScreenType() const { return authFallbackScreenType_; }
  bool isApproveWasRequested() const { return isApproveWasRequested_; }
  bool isTransactionDeclined() const { return isTransactionDeclined_; }
  bool isTerminated() const { return isTerminated_; }
  // A commit or a decline has gone to the controller.
  bool isDecisionSent() const { return isDecisionSent_; }

  // The five-member object handed to the module, and its screen dictionary.
  platform::Json screenDictionary() const;
  platform::Json transactionDescription() const;
  // A biometric transaction shows its fallback screen: biometrics are unavailable (or the user
  // chose the PIN) and the transaction has a fallback screen.
  bool shouldUseFallbackScreen() const;
  // The module's answer value as the text that is sealed.
  static std::string answerText(const platform::Json& value);

  // QORAuthControllerDelegate.
  void authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>& controller,
                                         int32_t status) override;
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

  // NativeHandler.
  void waterMarkScreenWithBitmap(const platform::Json& bitmap) override;
  void approveTransactionWithData(const platform::Json& data) override;
  void declineTransaction() override;
  void onScreenReady() override;
  void detectOverlay() override;
  void onBackButtonPressed() override;
  void invalidMethodCallWithMethodName(const std::string& methodName) override;
  void declineTransactionWithData(std::shared_ptr<DeclinedTransactionData> data) override;

 private:
  KivCommunicator(std::optional<int64_t> sessionId, std::shared_ptr<QORAuthController> authController,
                  std::shared_ptr<KivApi> kivApiImpl, Completion completion);
  static std::shared_ptr<KivCommunicator> make(std::optional<int64_t> sessionId,
                                               std::shared_ptr<QORAuthController> authController,
                                               std::shared_ptr<KivApi> kivApiImpl, Completion completion);

  // The decision may still be sent: the bridge runs and nothing has gone to the controller yet.
  bool isOpenForDecision() const { return !isTerminated_ && !isDecisionSent_; }
  // Sends the decline once; `decline` tells the controller.
  void decline(const std::function<void(QORAuthController&)>& decline);
  // Window records, then the commit.
  void addArtifacts(const std::string& value);
  void addWindowArtifactsIfNeeded();
  void checkUserBiometry();
  void biometryOutcome(bool success, const std::string& type);
  void closeFlutterScreen();

  std::shared_ptr<QORAuthController> authController_;
  std::shared_ptr<KivApi> kiv_;
  std::optional<int64_t> sessionId_;
  std::string guiText_;
  std::string guiHeader_;
  platform::Json flutterGuiData_ = platform::Json::object();
  int32_t authType_ = 0;
  int32_t pinCodeLenght_ = 0;
  std::optional<int64_t> authFallbackScreenType_;
  bool isApprovalInProgress_ = false;
  bool isApproveWasRequested_ = false;
  bool isTransactionDeclined_ = false;
  bool isBiometryProhibit_ = false;
  bool isFallbackNeed_ = false;
  bool isDecisionSent_ = false;
  bool isTerminated_ = false;
  std::shared_ptr<KivCommunicator> strongSelf_;
  Completion completion_;
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
