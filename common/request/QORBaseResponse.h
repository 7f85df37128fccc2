// One answer of the authorization server: the Base64 of its sealed body, the server's signature
// (kept, never verified) and the outer status member; the opened body once the action accepted it.
// Subclasses read more members (`setResponseDictionary`) or parse the opened body into their own
// properties (`setDecryptedBody`). Used on the queue of the action that received it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseResponse {
 public:
  static std::shared_ptr<QORBaseResponse> create();
  virtual ~QORBaseResponse() = default;

  virtual std::string encryptedBodyKey() const { return "dataEncryptedResponse"; }
  virtual std::string signatureKey() const { return "signatureVTN"; }
  virtual std::string statusKey() const { return "status"; }

  // Takes the three members. A body or signature member that is not text counts as missing; the
  // status member is kept as sent, and one that is not an object reads as a status without "code".
  virtual void setResponseDictionary(const platform::Json& dictionary);
  virtual void setDecryptedBody(std::optional<platform::Json> body) { decryptedResponseBody_ = std::move(body); }
  const std::optional<platform::Json>& getDecryptedBody() const { return decryptedResponseBody_; }

  const std::optional<std::string>& encryptedBody() const { return encryptedBody_; }
  void setEncryptedBody(std::optional<std::string> value) { encryptedBody_ = std::move(value); }
  const std::optional<std::string>& signature() const { return signature_; }
  void setSignature(std::optional<std::string> value) { signature_ = std::move(value); }
  const std::optional<platform::Json>& status() const { return status_; }
  void setStatus(std::optional<platform::Json> value) { status_ = std::move(value); }

 protected:
  QORBaseResponse() = default;

 private:
  std::optional<std::string> encryptedBody_;
  std::optional<std::string> signature_;
  std::optional<platform::Json> status_;
  std::optional<platform::Json> decryptedResponseBody_;
};

// A response class as a value: makes a new response. An empty one is no response class.
using QORResponseClass = std::function<std::shared_ptr<QORBaseResponse>()>;

template <class T>
QORResponseClass responseClassOf() {
  return [] { return std::shared_ptr<QORBaseResponse>(T::create()); };
}

// A new response of the class filled from the answer bytes; nullptr when the class is empty
// (checked before parsing) or the bytes are not a JSON object.
std::shared_ptr<QORBaseResponse> responseFromData(const platform::OptBytes& data, const QORResponseClass& responseClass);

}  // namespace qor
