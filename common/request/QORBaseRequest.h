// One request to the authorization server: the envelope of three members around a header sealed
// with RSA under the server's key and a body sealed with AES-GCM under the header's key and IV.
// Subclasses change the body's member name or how the body is sealed. Made for one `start` of an
// action and used on that action's queue.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "common/request/QORBaseRequestData.h"
#include "common/request/QORBaseRequestHeader.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseRequest {
 public:
  static std::shared_ptr<QORBaseRequest> create();
  virtual ~QORBaseRequest() = default;

  const std::shared_ptr<QORBaseRequestHeader>& header() const { return header_; }
  void setHeader(std::shared_ptr<QORBaseRequestHeader> header) { header_ = std::move(header); }
  const std::shared_ptr<QORBaseRequestData>& requestData() const { return requestData_; }
  void setRequestData(std::shared_ptr<QORBaseRequestData> data) { requestData_ = std::move(data); }

  // The stored values the envelope is built from. The server task reads them with its own in one
  // keychain read and hands them over for the build it sends; without them, each is read from
  // storage when the envelope is built.
  struct StoredValues {
    std::optional<std::string> installationId;
    std::optional<std::string> pubVtnBase64;
  };
  void setStoredValues(std::optional<StoredValues> values) { storedValues_ = std::move(values); }

  // The envelope member of the sealed body: "dataEncryptedRequest".
  virtual std::optional<std::string> requestDataKey() const;
  // {"installationId", "encryptedHeader", <requestDataKey>}, or nullopt unless all three are there.
  virtual std::optional<platform::Json> requestDictionary() const;
  // Base64 of the header's JSON sealed with RSA under the stored server key. A header without a
  // dictionary seals the empty message.
  virtual std::optional<std::string> encryptedHeader() const;
  // Base64 of the body's JSON sealed by `encryptRequestData`.
  virtual std::optional<std::string> dataEncryptedRequest() const;
  // AES-GCM under the header's key and IV; nullopt for nullopt.
  virtual platform::OptBytes encryptRequestData(const platform::OptBytes& data) const;

 protected:
  QORBaseRequest() = default;

 private:
  std::shared_ptr<QORBaseRequestHeader> header_;
  std::shared_ptr<QORBaseRequestData> requestData_;
  std::optional<StoredValues> storedValues_;
};

// A request class as a value: makes a new request. An empty one is no request class.
using QORRequestClass = std::function<std::shared_ptr<QORBaseRequest>()>;

template <class T>
QORRequestClass requestClassOf() {
  return [] { return std::shared_ptr<QORBaseRequest>(T::create()); };
}

// The JSON bytes of the request's dictionary (nullopt without one).
platform::OptBytes dataFromRequest(const std::shared_ptr<QORBaseRequest>& request);

}  // namespace qor
