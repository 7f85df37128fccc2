#include "sdk/authorization/QORCommitAuthAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/authorization/QORCommitAuthRequestData.h"
#include "sdk/authorization/internal/ActionSupport.h"

namespace qor {

std::shared_ptr<QORCommitAuthAction> QORCommitAuthAction::create() {
  return std::shared_ptr<QORCommitAuthAction>(new QORCommitAuthAction());
}

std::optional<int64_t> QORCommitAuthAction::actionType() const { return QORClientActionTypeCommitAuth; }

QORResponseClass QORCommitAuthAction::responseClass() const { return responseClassOf<QORBaseResponse>(); }

std::shared_ptr<QORBaseRequestData> QORCommitAuthAction::createRequestData() {
  auto source = commitDataSource();
  if (!source) return QORCommitAuthRequestData::create(std::nullopt, {});
  return QORCommitAuthRequestData::create(source->nonce(), source->artifacts());
}

std::shared_ptr<QORCommitAuthActionDataSource> QORCommitAuthAction::commitDataSource() const {
  return internal::dataSourceAs<QORCommitAuthActionDataSource>(*this);
}

}  // namespace qor
