#include "sdk/authorization/QORPrepareAuthAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/artifacts/CodeBlockHashArtifact.h"
#include "sdk/artifacts/QORCodeBlockCallsArtifact.h"
#include "sdk/authorization/QORAuthRequest.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"
#include "sdk/authorization/internal/ActionSupport.h"

namespace qor {

std::shared_ptr<QORPrepareAuthAction> QORPrepareAuthAction::create() {
  return std::shared_ptr<QORPrepareAuthAction>(new QORPrepareAuthAction());
}

std::optional<int64_t> QORPrepareAuthAction::actionType() const { return QORClientActionTypePrepareAuth; }

std::optional<std::string> QORPrepareAuthAction::urlPath() const { return std::string(QORClientActionPathAuth); }

QORRequestClass QORPrepareAuthAction::requestClass() const { return requestClassOf<QORAuthRequest>(); }

QORResponseClass QORPrepareAuthAction::responseClass() const { return responseClassOf<QorPrepareAuthResponse>(); }

std::shared_ptr<QORBaseRequestHeader> QORPrepareAuthAction::createRequestHeader() {
  return internal::agreedSecretHeader(*this);
}

std::shared_ptr<QORSecretKey> QORPrepareAuthAction::bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>&) {
  return internal::agreedSecret(*this);
}

void QORPrepareAuthAction::responseReceived(const std::shared_ptr<QORBaseResponse>& response) {
  const auto codeBlock = internal::rawCodeBlock(response);
  sessionArtifacts_.push_back(CodeBlockHashArtifact::create(codeBlock));
  sessionArtifacts_.push_back(QORCodeBlockCallsArtifact::create(codeBlock));
}

}  // namespace qor
