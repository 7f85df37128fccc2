#include "common/actions/QORBaseClientActionController.h"

#include <algorithm>

#include "common/crypto/QORCryptUtils.h"

namespace qor {

QORBaseClientActionController::QORBaseClientActionController(BoundOnFirstUse) { QOR_BIND_ON_FIRST_USE(sequence_); }

bool QORBaseClientActionController::started() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return started_;
}

void QORBaseClientActionController::setStarted(bool started) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  started_ = started;
}

std::weak_ptr<QORBaseClientActionControllerDelegate> QORBaseClientActionController::delegate() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return delegate_;
}

void QORBaseClientActionController::setDelegate(std::weak_ptr<QORBaseClientActionControllerDelegate> delegate) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  delegate_ = std::move(delegate);
}

platform::OptBytes QORBaseClientActionController::nonce() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return nonce_;
}

void QORBaseClientActionController::setNonce(platform::OptBytes nonce) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  nonce_ = std::move(nonce);
}

QORBaseClientActionController::Actions QORBaseClientActionController::actions() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return actions_;
}

void QORBaseClientActionController::setActions(Actions actions) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  actions_ = std::move(actions);
}

void QORBaseClientActionController::setupData() { setNonce(QORCryptUtils::generateNonce()); }

void QORBaseClientActionController::start() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
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
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = shared_from_this();
  if (status != QORStatusSuccess) {
    finishWithErrorStatus(status);
    return;
  }
  bool wasStarted = started();
  uint64_t endsBefore = runEnds_;
  saveActionResponse(action);
  // A subclass that ended the run inside saveActionResponse (64 of the authorization flow) has
  // reported; the next action must not start, even when the delegate began a new run on hearing it.
  if (wasStarted && runEnds_ != endsBefore) return;
  runNextAction(action);
}

void QORBaseClientActionController::runNextAction(const std::shared_ptr<QORBaseClientAction>& action) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
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
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  ++runEnds_;
  setStarted(false);
  tellDelegate(status);
}

void QORBaseClientActionController::addAction(std::shared_ptr<QORBaseClientAction> action) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  Actions grown = actions_;
  grown.push_back(std::move(action));
  actions_ = std::move(grown);
}

void QORBaseClientActionController::tellDelegate(QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = shared_from_this();
  if (auto delegate = delegate_.lock()) delegate->clientActionControllerFinishedWithStatus(self, status);
}

}  // namespace qor
