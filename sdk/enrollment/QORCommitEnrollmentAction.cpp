#include "sdk/enrollment/QORCommitEnrollmentAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/artifacts/QORArtifactDataSource.h"
#include "sdk/authorization/QOREnrollmentRequestHeader.h"
#include "sdk/authorization/internal/ActionSupport.h"
#include "sdk/enrollment/QORCommitEnrollmentActionDataSource.h"
#include "sdk/enrollment/QORCommitEnrollmentRequestData.h"
#include "sdk/enrollment/QORCommitEnrollmentResponse.h"

namespace qor {

std::shared_ptr<QORCommitEnrollmentAction> QORCommitEnrollmentAction::create() {
  return std::shared_ptr<QORCommitEnrollmentAction>(new QORCommitEnrollmentAction());
}

std::optional<int64_t> QORCommitEnrollmentAction::actionType() const { return QORClientActionTypeCommitEnrollment; }

std::optional<std::string> QORCommitEnrollmentAction::urlPath() const {
  return std::string(QORClientActionPathEnrollment);
}

QORResponseClass QORCommitEnrollmentAction::responseClass() const {
  return responseClassOf<QORCommitEnrollmentResponse>();
}

std::shared_ptr<QORBaseRequestHeader> QORCommitEnrollmentAction::createRequestHeader() {
  return QOREnrollmentRequestHeader::create(actionType());
}

std::shared_ptr<QORBaseRequestData> QORCommitEnrollmentAction::createRequestData() {
  auto keys = internal::dataSourceAs<QORCommitEnrollmentActionDataSource>(*this);
  auto records = internal::dataSourceAs<QORArtifactDataSource>(*this);
  if (!keys) return QORCommitEnrollmentRequestData::create(std::nullopt, nullptr, nullptr, {});
  return QORCommitEnrollmentRequestData::create(
      keys->nonce(), keys->pubClient(), keys->pubUtility(),
      records ? records->artifacts() : QORCommitEnrollmentRequestData::Records{});
}

}  // namespace qor
