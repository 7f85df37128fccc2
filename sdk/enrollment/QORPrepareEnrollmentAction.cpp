#include "sdk/enrollment/QORPrepareEnrollmentAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/artifacts/CodeBlockHashArtifact.h"
#include "sdk/artifacts/QORCodeBlockCallsArtifact.h"
#include "sdk/authorization/QOREnrollmentRequestHeader.h"
#include "sdk/authorization/internal/ActionSupport.h"
#include "sdk/enrollment/QORPrepareEnrollmentResponse.h"

namespace qor {

std::shared_ptr<QORPrepareEnrollmentAction> QORPrepareEnrollmentAction::create() {
  return std::shared_ptr<QORPrepareEnrollmentAction>(new QORPrepareEnrollmentAction());
}

std::optional<int64_t> QORPrepareEnrollmentAction::actionType() const { return QORClientActionTypePrepareEnrollment; }

std::optional<std::string> QORPrepareEnrollmentAction::urlPath() const {
  return std::string(QORClientActionPathEnrollment);
}

QORResponseClass QORPrepareEnrollmentAction::responseClass() const {
  return responseClassOf<QORPrepareEnrollmentResponse>();
}

std::shared_ptr<QORBaseRequestHeader> QORPrepareEnrollmentAction::createRequestHeader() {
  return QOREnrollmentRequestHeader::create(actionType());
}

void QORPrepareEnrollmentAction::responseReceived(const std::shared_ptr<QORBaseResponse>& response) {
  const auto codeBlock = internal::rawCodeBlock(response);
  sessionArtifacts_.push_back(CodeBlockHashArtifact::create(codeBlock));
  sessionArtifacts_.push_back(QORCodeBlockCallsArtifact::create(codeBlock));
}

}  // namespace qor
