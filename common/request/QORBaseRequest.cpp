#include "common/request/QORBaseRequest.h"

#include <mutex>
#include <utility>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"

namespace qor {
namespace {

// The server's key for the stored text: one key object per stored value, so the key is decoded
// once for all the requests sealed under it rather than once per request. The text is still read
// for every request, so a new value takes effect at once.
std::shared_ptr<QORSecretKey> serverKeyFor(const std::optional<std::string>& text) {
  struct Kept {
    std::mutex mutex;
    std::optional<std::string> text;
    std::shared_ptr<QORSecretKey> key;
  };
  static auto* kept = new Kept;  // never destroyed: a request during exit stays safe
  std::lock_guard lock(kept->mutex);
  if (!kept->key || kept->text != text) {
    kept->key = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(text);
    kept->text = text;
  }
  return kept->key;
}

}  // namespace

std::shared_ptr<QORBaseRequest> QORBaseRequest::create() {
  return std::shared_ptr<QORBaseRequest>(new QORBaseRequest());
}

std::optional<std::string> QORBaseRequest::requestDataKey() const { return std::string("dataEncryptedRequest"); }

std::optional<platform::Json> QORBaseRequest::requestDictionary() const {
  platform::Json dictionary = platform::Json::object();
  auto installationId = storedValues_ ? storedValues_->installationId : QORCommonData::installationId();
  if (installationId) dictionary["installationId"] = std::move(*installationId);
  if (auto header = encryptedHeader()) dictionary["encryptedHeader"] = std::move(*header);
  if (auto key = requestDataKey()) {
    if (auto body = dataEncryptedRequest()) dictionary[std::move(*key)] = std::move(*body);
  }
  if (dictionary.size() != 3) return std::nullopt;
  return dictionary;
}

std::optional<std::string> QORBaseRequest::encryptedHeader() const {
  std::optional<platform::Json> plain = header_ ? header_->requestDictionary() : std::nullopt;
  platform::OptBytes bytes = QORJsonByteObjectConverter::dataFromDictionary(plain);
  auto serverKey = serverKeyFor(storedValues_ ? storedValues_->pubVtnBase64 : QORCommonData::pubVtnBase64());
  return QORCryptUtilsB64::encodeDataToString(QORCryptUtilsAsymmetric::encryptData(bytes, serverKey));
}

std::optional<std::string> QORBaseRequest::dataEncryptedRequest() const {
  std::optional<platform::Json> plain = requestData_ ? requestData_->requestDictionary() : std::nullopt;
  return QORCryptUtilsB64::encodeDataToString(encryptRequestData(QORJsonByteObjectConverter::dataFromDictionary(plain)));
}

platform::OptBytes QORBaseRequest::encryptRequestData(const platform::OptBytes& data) const {
  if (!data || !header_) return std::nullopt;
  return QORCryptUtilsSymmetric::encryptData(data, header_->symmetricKeyQOR(), header_->nIV());
}

platform::OptBytes dataFromRequest(const std::shared_ptr<QORBaseRequest>& request) {
  return QORJsonByteObjectConverter::dataFromDictionary(request ? request->requestDictionary() : std::nullopt);
}

}  // namespace qor
