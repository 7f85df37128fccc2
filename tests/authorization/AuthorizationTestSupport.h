// The authorization controller against the reference server: a presenter that records what the
// controller tells it, a controller whose hooks a test may spoil to show that the server's own
// checks catch it, and a fixture with a device enrolled at the server.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "common/crypto/QORKeyPair.h"
#include "common/keystore/SensitiveDataManager.h"
#include "platform/Json.h"
#include "sdk/authorization/QORAuthController.h"
#include "sdk/authorization/QORAuthControllerDelegate.h"
#include "sdk/integrity/QORDeviceIntegrity.h"
#include "tests/actions/ActionsTestSupport.h"

namespace qortest {

// Records the pause and each final status; `onPause` may decide at once, as a presenter would.
class RecordingPresenter : public qor::QORAuthControllerDelegate {
 public:
  void authControllerFinishedAuthPrepare(const std::shared_ptr<qor::QORBaseClientActionController>& controller,
                                         int32_t status) override;
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientActionController>& controller,
                                                qor::QORStatus status) override;

  std::vector<int32_t> pauses;
  std::vector<qor::QORStatus> statuses;
  std::vector<bool> onMainQueue;
  std::function<void(qor::QORAuthController&)> onPause;
};

// The real controller, with hooks where a test spoils what it sends.
class SpoilableAuthController : public qor::QORAuthController {
 public:
  static std::shared_ptr<SpoilableAuthController> create(int64_t sessionId);

  void saveActionResponse(const std::shared_ptr<qor::QORBaseClientAction>& action) override;

  // Called after each answer is saved.
  std::function<void(qor::QORAuthController&, const qor::QORBaseClientAction&)> afterSave;
  // Called once the commit's nonce is set.
  std::function<void(qor::QORAuthController&)> afterCommitNonce;
  // Makes the answer record in place of the controller's own sealing.
  std::function<std::shared_ptr<qor::QORSessionArtifact>(qor::QORAuthController&, int64_t type, const std::string&)>
      answer;

 protected:
  explicit SpoilableAuthController(int64_t sessionId) : QORAuthController(sessionId) {}
  void genrateCommitAuthNonce() override;
  void addUserAnswerArtifactOfType(int64_t type, const std::string& value) override;
};

// The actions' fixture (one reference server for the program; each test starts with an empty
// keychain holding the server's host and key), a still device with nothing for the integrity check
// to find, and a device enrolled at the server by `enroll`.
class AuthorizationTest : public ActionsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs an enrolled device at the server and the client's side of it in the keychain (its
  // key store sealed under the server's storage key). `storageMoves` tells the server when it takes
  // a wake-up's next storage key ("wakeUp" or "handshake"). Answers the server's reply.
  platform::Json enroll(bool pinKey = false, const platform::Json& transaction = platform::Json::object(),
                        const std::string& storageMoves = "wakeUp");
  // Makes a controller (sampling starts), lets `prepare` set it up, starts it and waits until it
  // pauses after prepare or ends.
  std::shared_ptr<SpoilableAuthController> runToPause(std::function<void(SpoilableAuthController&)> prepare = {});
  // Sends a decision and waits for the final status.
  void decideAndWait(qor::QORAuthController& controller, const std::function<void(qor::QORAuthController&)>& decide);
  void waitFor(const std::function<bool()>& done, double seconds = 30);
  // Runs the main queue a little longer, to catch a late second report or request.
  void settle();
  // The action types of the requests the server accepted, and the reasons of those it refused.
  std::vector<int64_t> acceptedTypes();
  std::vector<std::string> refusals();
  platform::Json decisions();
  // The keychain items of the key store: the current pair and the kept one.
  static qor::SensitiveDataManager::StoredPairs storedKeyStore();

  std::shared_ptr<qor::QORKeyPair> clientKeys_;
  std::shared_ptr<RecordingPresenter> presenter_;
  qor::QORIntegrityObservations integrity_;  // what the integrity check sees
};

}  // namespace qortest
