#include "common/actions/QORBaseClientAction.h"

#include <utility>

#include "common/actions/QORErrorParser.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/request/DictionaryQOR.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "platform/Base64.h"

namespace qor {

std::shared_ptr<QORBaseClientAction> QORBaseClientAction::create() {
  return std::shared_ptr<QORBaseClientAction>(new QORBaseClientAction());
}

QORBaseClientAction::QORBaseClientAction() : serverTask_(QORServerTask::create()) {}

QORBaseClientAction::QORBaseClientAction(BoundOnFirstUse) : QORBaseClientAction() { QOR_BIND_ON_FIRST_USE(sequence_); }

std::weak_ptr<QORClientActionDataSource> QORBaseClientAction::dataSource() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return dataSource_;
}

void QORBaseClientAction::setDataSource(std::weak_ptr<QORClientActionDataSource> dataSource) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  dataSource_ = std::move(dataSource);
}

std::weak_ptr<QORClientActionDelegate> QORBaseClientAction::delegate() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return delegate_;
}

void QORBaseClientAction::setDelegate(std::weak_ptr<QORClientActionDelegate> delegate) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  delegate_ = std::move(delegate);
}

const std::shared_ptr<QORBaseRequest>& QORBaseClientAction::request() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return request_;
}

const std::shared_ptr<QORBaseResponse>& QORBaseClientAction::response() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return response_;
}

const std::shared_ptr<QORServerTask>& QORBaseClientAction::serverTask() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return serverTask_;
}

void QORBaseClientAction::setServerTask(std::shared_ptr<QORServerTask> task) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  serverTask_ = std::move(task);
}

std::shared_ptr<QORBaseRequestHeader> QORBaseClientAction::createRequestHeader() {
  return QORBaseRequestHeader::create(actionType());
}

std::shared_ptr<QORBaseRequestData> QORBaseClientAction::createRequestData() {
  auto source = dataSource_.lock();
  return QORBaseRequestData::create(source ? source->nonce() : std::nullopt);
}

std::shared_ptr<QORSecretKey> QORBaseClientAction::bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>&) {
  return request_ && request_->header() ? request_->header()->symmetricKeyQOR() : nullptr;
}

void QORBaseClientAction::start() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // The owner may let the action go while it reports from inside `start`.
  auto self = shared_from_this();
  auto requestClass = this->requestClass();
  request_ = requestClass ? requestClass() : nullptr;
  if (request_) {
    request_->setHeader(createRequestHeader());
    request_->setRequestData(createRequestData());
  }
  std::weak_ptr<QORBaseClientAction> weak = self;
  serverTask_->runClientAction(self, [weak](std::shared_ptr<QORBaseResponse> response,
                                            std::optional<platform::Error> error) {
    auto action = weak.lock();
    if (!action) return;
    // A sent request's answer comes on the main queue, and an action that ran elsewhere (the
    // device-information report) moves there with it.
    QOR_REBIND_IF_ON_MAIN_QUEUE(action->sequence_);
    action->parseResponse(response, error);
  });
}

std::optional<platform::Json> QORBaseClientAction::parseResponse(const std::shared_ptr<QORBaseResponse>& response) {
  if (!response || !response->encryptedBody() || !request_ || !request_->header()) return std::nullopt;
  auto sealed = QORCryptUtilsB64::decodeString(response->encryptedBody());
  auto key = bodyKeyForResponse(response);
  auto plain = QORCryptUtilsSymmetric::decryptData(sealed, key, request_->header()->nIV());
  return QORJsonByteObjectConverter::dictionaryFromData(plain);
}

bool QORBaseClientAction::isErrorResponse(const std::optional<platform::Json>& decryptedBody,
                                          const std::optional<platform::Json>& status) {
  if (!decryptedBody) return true;
  auto code = status ? integerValueForKey(*status, "code") : std::nullopt;
  if (!code || *code != 0) return true;
  const platform::Json* nonceText = platform::member(*decryptedBody, "nonceQOR");
  if (!nonceText || !nonceText->is_string()) return true;
  auto received = platform::base64Decode(nonceText->get_ref<const std::string&>());
  const auto& data = request_ ? request_->requestData() : nullptr;
  const platform::OptBytes sent = data ? data->nonce() : std::nullopt;
  return !received || !sent || *received != *sent;
}

void QORBaseClientAction::parseResponse(const std::shared_ptr<QORBaseResponse>& response,
                                        const std::optional<platform::Error>& error) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = shared_from_this();
  std::optional<platform::Json> body = parseResponse(response);
  // The outer status is read where the response keeps it; only one inside the body is copied out.
  static const std::optional<platform::Json> kNoStatus;
  const std::optional<platform::Json>* status = response ? &response->status() : &kNoStatus;
  std::optional<platform::Json> statusInBody;
  if (!*status && body) {
    if (const platform::Json* inner = platform::member(*body, "status")) {
      statusInBody = *inner;
      status = &statusInBody;
    }
  }
  if (isErrorResponse(body, *status)) {
    reportStatus(QORErrorParser().parseErrorCode(error ? error->code : 0));
    return;
  }
  if (response) response->setDecryptedBody(std::move(body));
  response_ = response;
  responseReceived(response);
  reportStatus(QORStatusSuccess);
}

void QORBaseClientAction::reportStatus(QORStatus status) {
  if (auto delegate = delegate_.lock()) delegate->clientActionFinishedWithStatus(shared_from_this(), status);
}

}  // namespace qor
