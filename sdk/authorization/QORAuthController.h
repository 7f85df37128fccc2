// One authorization, from the push that announces a session to the commit of the user's decision.
// It runs wake-up, the two handshake steps and prepare; serves the actions their nonces (derived
// from the seeds of the code blocks), the session's ECDH key pair and the agreed secret; opens the
// sealed key store with the storage key of the wake-up answer and seals it again under the next
// one; then pauses and tells its delegate. The presenter reads the transaction, appends its own
// records and sends the decision; the controller adds the no-motion record, the device-integrity
// findings and the user's answer, sealed for the server, and runs the commit. The final status
// reaches the delegate once.
//
// Exactly one decision is taken, and only while paused after prepare; any other is ignored. Device
// motion is sampled from creation until motion is seen, the decision, the end of the run,
// `endWithoutDecision`, or the controller going away.
//
// Main queue only (checked in Debug builds). The owner (a presenter) holds it; it holds its actions
// and its delegate weakly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "common/actions/QORBaseClientActionController.h"
#include "common/crypto/QORKeyPair.h"
#include "platform/Json.h"
#include "sdk/artifacts/QORMotionArtifact.h"
#include "sdk/artifacts/QORUserAnswerFactory.h"
#include "sdk/authorization/QORAuthControllerDelegate.h"
#include "sdk/authorization/QORCommitAuthActionDataSource.h"
#include "sdk/authorization/QORWakeUpActionDataSource.h"

namespace qor {

class QORAuthController : public QORBaseClientActionController,
                          public virtual QORWakeUpActionDataSource,
                          public virtual QORCommitAuthActionDataSource {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithSessionId: motion sampling starts at once. Set the delegate, then `start`.
  static std::shared_ptr<QORAuthController> create(std::optional<int64_t> sessionId);
  ~QORAuthController() override;

  // The delegate as the narrower protocol (nullptr when gone or of another kind).
  std::shared_ptr<QORAuthControllerDelegate> authDelegate() const;

  // The user's decision, from the presenters; each is taken only while paused, and only once.
  // The value: the PIN (PIN and set-PIN screens), "YES" (a confirm), or the biometry type text.
  void commitAuth(const std::string& value);
  void cancelAuth();
  // A decline from the cross-platform UI: 414 "YES" when the user forgot the PIN, else 401 "NO".
  void cancelAuth(const std::shared_ptr<DeclinedTransactionData>& data);
  // The presenter ends the run without a decision (its time-out, its screens gone): sampling stops,
  // and once paused no decision is taken any more. The delegate hears nothing more.
  void endWithoutDecision();

  // Set by a presenter when the user falls back from biometrics to the PIN.
  bool isFallbackUsed() const;
  void setIsFallbackUsed(bool used);

  // The transaction, for the presenters after the pause.
  const std::optional<std::string>& chainType() const;
  const std::optional<platform::Json>& guiData() const;
  const std::optional<platform::Json>& flutterGuiData() const;
  const std::optional<platform::Json>& paymentData() const;
  int32_t pinCodeLength() const;
  bool isFlutter() const;

  // The records of the session in the order they were gathered; presenters append theirs (alerts,
  // overlays) before they send the decision.
  Records artifacts() const override;
  void appendArtifact(std::shared_ptr<QORSessionArtifact> record);
  const std::shared_ptr<QORMotionArtifact>& motionArtifact() const { return motionArtifact_; }
  // True while paused after prepare, waiting for the decision.
  bool isPaused() const;

  // Data sources of the actions.
  std::optional<int64_t> sessionId() const override { return sessionId_; }
  std::shared_ptr<QORSecretKey> pubQORDH() const override;
  std::shared_ptr<QORSecretKey> prvClient() const override { return prvClient_; }
  std::shared_ptr<QORSecretKey> pubVTNDH() const override;
  std::shared_ptr<QORSecretKey> sharedSecretDh() const override;
  // The server's answer key, from the key store.
  const std::shared_ptr<QORSecretKey>& pubSps() const { return pubSps_; }

  // Hooks of the base controller.
  bool isReadyForStart() override;
  QORStatus possibleErrorStatus() override;
  void setupData() override;
  Actions createActions() override;
  void saveActionResponse(const std::shared_ptr<QORBaseClientAction>& action) override;
  void runNextAction(const std::shared_ptr<QORBaseClientAction>& action) override;
  void clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action, QORStatus status) override;
  void finishWithErrorStatus(QORStatus status) override;
  void resetData() override {}
  std::optional<std::string> urlPath() const override;

 protected:
  explicit QORAuthController(std::optional<int64_t> sessionId);

  // Seals the answer (the key as the answer type and the transaction say) and appends it.
  virtual void addUserAnswerArtifactOfType(int64_t type, const std::string& value);
  // nonce := MD5 of the prepare seed.
  virtual void genrateCommitAuthNonce();

 private:
  enum class Phase { created, running, paused, committing, finished };

  std::shared_ptr<QORAuthController> self();
  // Moves paused -> committing; false for any other phase (the decision is then ignored).
  bool takeDecision();
  void decide(int64_t type, const std::string& value);
  void continueWithCommitAuthAction();
  // Opens the key store with the wake-up's storage key and seals it under the next one; false when
  // it does not open.
  bool rotateKeyStore(const std::shared_ptr<QORBaseClientAction>& wakeUp);
  std::shared_ptr<QORSecretKey> pinKey(bool& sealable) const;

  const std::optional<int64_t> sessionId_;
  bool isFallbackUsed_ = false;
  Phase phase_ = Phase::created;
  bool endedWithoutDecision_ = false;
  Records artifacts_;
  std::optional<std::string> nonceSeed_;
  std::shared_ptr<QORKeyPair> keyPairDh_;
  mutable std::shared_ptr<QORSecretKey> pubVTNDHKey_;
  mutable std::shared_ptr<QORSecretKey> generatedSharedSecretDh_;
  std::shared_ptr<QORSecretKey> prvClient_;
  std::shared_ptr<QORSecretKey> pubSps_;
  std::shared_ptr<QORBaseClientAction> wakeUp_, handshakeStep1_, handshakeStep2_, prepareAuth_;
  std::optional<std::string> chainType_;
  std::optional<platform::Json> guiData_;
  std::optional<platform::Json> flutterGuiData_;
  std::optional<platform::Json> paymentData_;
  int32_t pinCodeLength_ = 0;
  bool isFlutter_ = false;
  std::shared_ptr<QORMotionArtifact> motionArtifact_;
  std::shared_ptr<QORUserAnswerFactory> userAnswerFactory_;
};

}  // namespace qor
