#include "sdk/authorization/QORHandshakeStep1Action.h"

#include "common/actions/QORClientActionConstants.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "sdk/authorization/QOREnrollmentRequestHeader.h"
#include "sdk/authorization/QORHandshakeStep1RequestData.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/internal/ActionSupport.h"

namespace qor {

std::shared_ptr<QORHandshakeStep1Action> QORHandshakeStep1Action::create() {
  return std::shared_ptr<QORHandshakeStep1Action>(new QORHandshakeStep1Action());
}

std::optional<int64_t> QORHandshakeStep1Action::actionType() const { return QORClientActionTypeHandshakeStep1; }

std::optional<std::string> QORHandshakeStep1Action::urlPath() const { return std::string(QORClientActionPathAuth); }

QORResponseClass QORHandshakeStep1Action::responseClass() const { return responseClassOf<QORHandshakeStep1Response>(); }

std::shared_ptr<QORBaseRequestHeader> QORHandshakeStep1Action::createRequestHeader() {
  return QOREnrollmentRequestHeader::create(actionType());
}

std::shared_ptr<QORBaseRequestData> QORHandshakeStep1Action::createRequestData() {
  auto source = step1DataSource();
  if (!source) return QORHandshakeStep1RequestData::create(std::nullopt, nullptr);
  return QORHandshakeStep1RequestData::create(source->nonce(), source->pubQORDH());
}

std::shared_ptr<QORSecretKey> QORHandshakeStep1Action::bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>& response) {
  auto answer = std::dynamic_pointer_cast<QORHandshakeStep1Response>(response);
  auto source = step1DataSource();
  if (!answer || !answer->skVTN() || !source) return nullptr;
  auto key = QORCryptUtilsAsymmetric::decryptData(QORCryptUtilsB64::decodeString(answer->skVTN()), source->prvClient());
  if (!key) return nullptr;
  return QORSecretKey::create(std::move(key), 0);
}

std::shared_ptr<QORHandshakeStep1ActionDataSource> QORHandshakeStep1Action::step1DataSource() const {
  return internal::dataSourceAs<QORHandshakeStep1ActionDataSource>(*this);
}

}  // namespace qor
