#include "sdk/authorization/QORHandshakeStep2Action.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/authorization/QORAuthRequest.h"
#include "sdk/authorization/QORHandshakeStep2RequestData.h"
#include "sdk/authorization/internal/ActionSupport.h"

namespace qor {

std::shared_ptr<QORHandshakeStep2Action> QORHandshakeStep2Action::create() {
  return std::shared_ptr<QORHandshakeStep2Action>(new QORHandshakeStep2Action());
}

std::optional<int64_t> QORHandshakeStep2Action::actionType() const { return QORClientActionTypeHandshakeStep2; }

std::optional<std::string> QORHandshakeStep2Action::urlPath() const { return std::string(QORClientActionPathAuth); }

QORRequestClass QORHandshakeStep2Action::requestClass() const { return requestClassOf<QORAuthRequest>(); }

std::shared_ptr<QORBaseRequestHeader> QORHandshakeStep2Action::createRequestHeader() {
  return internal::agreedSecretHeader(*this);
}

std::shared_ptr<QORBaseRequestData> QORHandshakeStep2Action::createRequestData() {
  auto source = step2DataSource();
  if (!source) return QORHandshakeStep2RequestData::create(std::nullopt, nullptr, nullptr);
  return QORHandshakeStep2RequestData::create(source->nonce(), source->pubQORDH(), source->pubVTNDH());
}

std::shared_ptr<QORSecretKey> QORHandshakeStep2Action::bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>&) {
  return internal::agreedSecret(*this);
}

std::shared_ptr<QORHandshakeStep2ActionDataSource> QORHandshakeStep2Action::step2DataSource() const {
  return internal::dataSourceAs<QORHandshakeStep2ActionDataSource>(*this);
}

}  // namespace qor
