// The enrollment flow: binds this device to the user's account at the authorization server with two
// actions, prepare (101) and commit (102). Between them it derives the commit's nonce from the
// prepare answer's seed and the enrollment's own keys and identifiers, and seals the client's
// private key with the server's answer key in the key store under the initial storage key the
// server sends. The commit answer's token "skVTN" marks the device enrolled.
//
// A run that fails after it began writing puts every stored value back as it stood when the run
// began, before its delegate hears the status, so that the delegate (and a new enrollment it may
// start) sees the restored state and nothing is overwritten afterwards.
//
// Main queue only (checked in Debug builds). The enrollment screen owns it and is its weak delegate; the actions
// hold it weakly. The class methods are safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/actions/QORBaseClientActionController.h"
#include "common/crypto/QORKeyPair.h"
#include "sdk/artifacts/QORArtifactDataSource.h"
#include "sdk/codeblocks/EnrollmentActionCodeBlock.h"
#include "sdk/enrollment/QORCommitEnrollmentAction.h"
#include "sdk/enrollment/QORCommitEnrollmentActionDataSource.h"
#include "sdk/enrollment/QORPrepareEnrollmentAction.h"
#include "sdk/enrollment/QORSecureStorageSnapshot.h"
#include "ui/protocols/QOREnrollmentStartProtocol.h"

namespace qor {

class QOREnrollmentController : public QORBaseClientActionController,
                                public virtual QORCommitEnrollmentActionDataSource,
                                public virtual QORArtifactDataSource,
                                public QOREnrollmentStartProtocol {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // init: an empty record list and a snapshot of the stored values.
  static std::shared_ptr<QOREnrollmentController> create();

  // Stores the push token (nullopt deletes it). On an enrolled device whose stored token differs
  // (an absent stored token or argument counts as different), `reset` runs first.
  static void updateDeviceToken(const std::optional<std::string>& token);
  // A push token is stored.
  static bool isReadyForEnrollment();
  // An enrollment token is stored.
  static bool isEnrolled();
  // Forgets the enrollment (QORSecureStorage::reset): the device and external identifiers, the
  // headers and the sealed key store stay.
  static void reset();

  // Data sources of the actions.
  std::shared_ptr<QORSecretKey> pubClient() const override;
  std::shared_ptr<QORSecretKey> pubUtility() const override;
  Records artifacts() const override;

  std::optional<std::string> nonceSeed() const;
  std::shared_ptr<QORKeyPair> keyPairClient() const;
  std::shared_ptr<QORKeyPair> keyPairUtility() const;
  std::shared_ptr<QORPrepareEnrollmentAction> prepareEnrollment() const;
  std::shared_ptr<QORCommitEnrollmentAction> commitEnrollment() const;
  // The values a failing run restores: taken by `init`, and again when a run begins, so that a
  // later run of the same controller never undoes an earlier run that succeeded.
  std::shared_ptr<QORSecureStorageSnapshot> secureStorageSnapshot() const;

  // The enrollment screen starts the run through its start protocol; the run is the base's.
  void start() override { QORBaseClientActionController::start(); }

  // Hooks.
  bool isReadyForStart() override;
  QORStatus possibleErrorStatus() override;
  // The base nonce, the identifiers (a new enrollment identifier; device and external identifiers
  // only when none is stored), then the two key pairs (the utility private key is stored).
  void setupData() override;
  Actions createActions() override;
  // After prepare: the commit's nonce, then the key store sealed under the initial storage key;
  // after commit: the enrollment token stored. Either step that cannot be completed ends the run
  // with 0 (an unusable answer key or storage key, a key store that cannot be sealed, a commit
  // answer without a token, a token that cannot be stored).
  void saveActionResponse(const std::shared_ptr<QORBaseClientAction>& action) override;
  // Collects the finished action's records, then the base behaviour.
  void clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action, QORStatus status) override;
  // Restores the snapshot when a run that began writing ends with another status than 1, then
  // reports.
  void finishWithErrorStatus(QORStatus status) override;

  // The bytes the commit's nonce is derived from (with the seed after them): the stored server key,
  // the utility public key, the device identifier, the push token, the external identifier, the
  // client public key and the 4-byte hash code of each record, each left out when absent.
  platform::Bytes createNonceData() const;

 protected:
  QOREnrollmentController();

 private:
  void setIds();
  void setKeys();
  // False when the code block's keys are not usable or the key store could not be written.
  bool saveSensitiveData(const std::shared_ptr<EnrollmentActionCodeBlock>& codeBlock);

  std::optional<std::string> nonceSeed_;
  std::shared_ptr<QORKeyPair> keyPairClient_;
  std::shared_ptr<QORKeyPair> keyPairUtility_;
  std::shared_ptr<QORPrepareEnrollmentAction> prepareEnrollment_;
  std::shared_ptr<QORCommitEnrollmentAction> commitEnrollment_;
  Records sessionArtifacts_;
  std::shared_ptr<QORSecureStorageSnapshot> secureStorageSnapshot_;
  // Set once a run has begun writing, cleared when it ends.
  bool rollbackDue_ = false;
};

}  // namespace qor
