#include "sdk/authorization/QORWakeUpAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/artifacts/CodeBlockHashArtifact.h"
#include "sdk/authorization/QOREnrollmentRequestHeader.h"
#include "sdk/authorization/QORWakeUpRequestData.h"
#include "sdk/authorization/QORWakeUpResponse.h"
#include "sdk/authorization/internal/ActionSupport.h"

namespace qor {

std::shared_ptr<QORWakeUpAction> QORWakeUpAction::create() {
  return std::shared_ptr<QORWakeUpAction>(new QORWakeUpAction());
}

std::optional<int64_t> QORWakeUpAction::actionType() const { return QORClientActionTypeWakeUp; }

std::optional<std::string> QORWakeUpAction::urlPath() const { return std::string(QORClientActionPathAuth); }

QORResponseClass QORWakeUpAction::responseClass() const { return responseClassOf<QORWakeUpResponse>(); }

std::shared_ptr<QORBaseRequestHeader> QORWakeUpAction::createRequestHeader() {
  return QOREnrollmentRequestHeader::create(actionType());
}

std::shared_ptr<QORBaseRequestData> QORWakeUpAction::createRequestData() {
  auto source = wakeUpDataSource();
  if (!source) return QORWakeUpRequestData::create(std::nullopt, std::nullopt, {});
  return QORWakeUpRequestData::create(source->nonce(), source->sessionId(), source->artifacts());
}

void QORWakeUpAction::responseReceived(const std::shared_ptr<QORBaseResponse>& response) {
  sessionArtifacts_.push_back(CodeBlockHashArtifact::create(internal::rawCodeBlock(response)));
}

std::shared_ptr<QORWakeUpActionDataSource> QORWakeUpAction::wakeUpDataSource() const {
  return internal::dataSourceAs<QORWakeUpActionDataSource>(*this);
}

}  // namespace qor
