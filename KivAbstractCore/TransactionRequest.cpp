#include "KivAbstractCore/TransactionRequest.h"

#include "KivAbstractCore/internal/ParcelCoding.h"

namespace qor {

std::shared_ptr<TransactionRequest> TransactionRequest::create() { return create(0, AuthData::create()); }

std::shared_ptr<TransactionRequest> TransactionRequest::create(int64_t authType, std::shared_ptr<AuthData> data) {
  if (!data) data = AuthData::create();
  return std::shared_ptr<TransactionRequest>(new TransactionRequest(authType, std::move(data)));
}

std::shared_ptr<TransactionRequest> TransactionRequest::createFrom(const platform::Json& from,
                                                                   platform::Error* error) {
  auto decoder = detail::KeyedDecoder::make(from, std::string(), detail::DecodingFailure(error));
  if (!decoder) return nullptr;
  auto authType = decoder->int64("authType");
  if (!authType) return nullptr;
  const platform::Json* data = decoder->require("data");
  if (!data) return nullptr;
  auto authData = AuthData::decode(*data, decoder->pathOf("data"), error);
  if (!authData) return nullptr;
  return create(*authType, std::move(authData));
}

std::string TransactionRequest::pack() const { return detail::packEncoded(*this); }

void TransactionRequest::encode(platform::Json& to) const {
  platform::Json& object = detail::keyedContainer(to);
  object["authType"] = authType_;
  data_->encode(object["data"]);
}

}  // namespace qor
