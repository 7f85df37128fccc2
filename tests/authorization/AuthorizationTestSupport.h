// A test controller that runs the five authorization actions the way the authorization flow
// chains them (nonces from the code blocks' seeds, the key store opened and sealed again after the
// wake-up, a pause after prepare), and a fixture with an enrolled device at the reference server.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "common/actions/QORBaseClientActionController.h"
#include "common/crypto/QORKeyPair.h"
#include "platform/Json.h"
#include "sdk/authorization/QORCommitAuthActionDataSource.h"
#include "sdk/authorization/QORCommitAuthAction.h"
#include "sdk/authorization/QORHandshakeStep1Action.h"
#include "sdk/authorization/QORHandshakeStep2Action.h"
#include "sdk/authorization/QORPrepareAuthAction.h"
#include "sdk/authorization/QORWakeUpAction.h"
#include "sdk/authorization/QORWakeUpActionDataSource.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"
#include "tests/actions/ActionsTestSupport.h"

namespace qortest {

class FlowController : public qor::QORBaseClientActionController,
                       public qor::QORWakeUpActionDataSource,
                       public qor::QORCommitAuthActionDataSource {
 public:
  using Records = std::vector<std::shared_ptr<qor::QORSessionArtifact>>;

  static std::shared_ptr<FlowController> create(int64_t sessionId);

  // Data sources of the actions.
  std::optional<int64_t> sessionId() const override { return sessionId_; }
  Records artifacts() const override { return records_; }
  std::shared_ptr<qor::QORSecretKey> pubQORDH() const override;
  std::shared_ptr<qor::QORSecretKey> prvClient() const override { return prvClient_; }
  std::shared_ptr<qor::QORSecretKey> pubVTNDH() const override { return pubVTNDH_; }
  std::shared_ptr<qor::QORSecretKey> sharedSecretDh() const override;

  // Hooks.
  void setupData() override;
  Actions createActions() override;
  void clientActionFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientAction>& action,
                                      qor::QORStatus status) override;
  void saveActionResponse(const std::shared_ptr<qor::QORBaseClientAction>& action) override;
  void runNextAction(const std::shared_ptr<qor::QORBaseClientAction>& action) override;

  // After the pause: appends the answer record (and any before it) and runs the commit.
  void commit(Records finalRecords);

  // What the run saw.
  bool paused = false;
  std::shared_ptr<qor::QORSecretKey> pubSps;
  std::shared_ptr<qor::QorPrepareAuthResponse> prepareAnswer;
  // Called after each answer is saved, to spoil what the next request sends.
  std::function<void(FlowController&, const qor::QORBaseClientAction&)> afterSave;
  // Called once the commit's nonce is set, just before the commit starts.
  std::function<void(FlowController&)> beforeCommit;

 protected:
  explicit FlowController(int64_t sessionId) : sessionId_(sessionId) {}

 private:
  int64_t sessionId_;
  Records records_;
  std::optional<std::string> nonceSeed_;
  std::shared_ptr<qor::QORKeyPair> keyPairDh_;
  std::shared_ptr<qor::QORSecretKey> prvClient_;
  std::shared_ptr<qor::QORSecretKey> pubVTNDH_;
  mutable std::shared_ptr<qor::QORSecretKey> sharedSecret_;
  std::shared_ptr<qor::QORBaseClientAction> wakeUp_, step1_, step2_, prepare_;
};

// The actions' fixture (one reference server for the program; each test starts with an empty
// keychain holding the server's host and key), with a device enrolled at the server by `enroll`.
class AuthorizationTest : public ActionsTest {
 protected:
  void SetUp() override;

  // Installs an enrolled device at the server and the client's side of it in the keychain (its
  // key store sealed under the server's storage key). Answers the server's reply.
  platform::Json enroll(bool pinKey = false, const platform::Json& transaction = platform::Json::object());
  // Starts a run and waits until it pauses after prepare or ends.
  std::shared_ptr<FlowController> runToPause(std::function<void(FlowController&)> prepare = {});
  // Commits the records and waits for the final status.
  void commitAndWait(FlowController& controller, FlowController::Records records);
  void waitFor(const std::function<bool()>& done, double seconds = 30);
  // The action types of the requests the server accepted, and the reasons of those it refused.
  std::vector<int64_t> acceptedTypes();
  std::vector<std::string> refusals();
  platform::Json decisions();

  std::shared_ptr<qor::QORKeyPair> clientKeys_;
  std::shared_ptr<RecordingDelegate> recorder_;
};

}  // namespace qortest
