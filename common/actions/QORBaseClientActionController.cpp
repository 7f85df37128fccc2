#include "common/actions/QORBaseClientActionController.h"

#include <algorithm>

#include "common/crypto/QORCryptUtils.h"

namespace qor {

platform::OptBytes QORBaseClientActionController::nonce() const {
  std::lock_guard lock(mutex_);
  return nonce_;
}

void QORBaseClientActionController::setNonce(platform::OptBytes nonce) {
  std::lock_guard lock(mutex_);
  nonce_ = std::move(nonce);
}

QORBaseClientActionController::Actions QORBaseClientActionController::actions() const {
  std::lock_guard lock(mutex_);
  return actions_;
}

void QORBaseClientActionController::setActions(Actions actions) {
  std::lock_guard lock(mutex_);
  actions_ = std::move(actions);
}

void QORBaseClientActionController::setupData() { setNonce(QORCryptUtils::generateNonce()); }

void QORBaseClientActionController::start() {
  // An action may report inside `start`, and the delegate may then let the controller go.
  auto self = shared_from_this();
  if (started()) {
    // The run under way goes on and reports its own status; `started` stays as it is, so a third
    // start cannot begin a second run beside it.
    tellDelegate(QORStatusHasActiveSession);
    return;
  }
  setStarted(true);
  if (!isReadyForStart()) {
    finishWithErrorStatus(possibleErrorStatus());
    return;
  }
  setupData();
  setActions(createActions());
  Actions list = actions();
  if (list.empty()) {
    finishWithErrorStatus(QORStatusSuccess);
    return;
  }
  list.front()->start();
}

void QORBaseClientActionController::clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action,
                                                                   QORStatus status) {
  auto self = shared_from_this();
  if (status != QORStatusSuccess) {
    finishWithErrorStatus(status);
    return;
  }
  bool wasStarted = started();
  uint64_t endsBefore = runEnds_.load();
  saveActionResponse(action);
  // A subclass that ended the run inside saveActionResponse (64 of the authorization flow) has
  // reported; the next action must not start, even when the delegate began a new run on hearing it.
  if (wasStarted && runEnds_.load() != endsBefore) return;
  runNextAction(action);
}

void QORBaseClientActionController::runNextAction(const std::shared_ptr<QORBaseClientAction>& action) {
  Actions list = actions();
  auto it = std::find(list.begin(), list.end(), action);
  if (it == list.end()) {
    finishWithErrorStatus(QORStatusInternalLogicError);
  } else if (std::next(it) == list.end()) {
    finishWithErrorStatus(QORStatusSuccess);
  } else {
    (*std::next(it))->start();
  }
}

void QORBaseClientActionController::finishWithErrorStatus(QORStatus status) {
  ++runEnds_;
  setStarted(false);
  tellDelegate(status);
}

void QORBaseClientActionController::addAction(std::shared_ptr<QORBaseClientAction> action) {
  std::lock_guard lock(mutex_);
  Actions grown = actions_;
  grown.push_back(std::move(action));
  actions_ = std::move(grown);
}

void QORBaseClientActionController::tellDelegate(QORStatus status) {
  auto self = shared_from_this();
  if (auto delegate = delegate_.lock()) delegate->clientActionControllerFinishedWithStatus(self, status);
}

}  // namespace qor
