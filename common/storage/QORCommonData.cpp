#include "common/storage/QORCommonData.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <span>
#include <utility>

#include "platform/Utf16.h"
#include "platform/http/HTTPFieldName.h"

#include "common/storage/QORSecureStorage.h"

namespace qor {
namespace {

// UTF-8 text with no control character but the tab, which a field value may hold. Bytes that
// are not UTF-8 are no text: they could not be stored, and would take every other header with them.
bool isSafeHeaderValue(const std::string& value) {
  return std::none_of(value.begin(), value.end(),
                      [](char c) {
                        auto u = static_cast<unsigned char>(c);
                        return (u < 0x20 && u != '\t') || u == 0x7F;
                      }) &&
         platform::isValidUtf8(value);
}

platform::Json sendableHeaders(const platform::Json& headers) {
  platform::Json kept = platform::Json::object();
  if (!headers.is_object()) return kept;
  for (const auto& [name, value] : headers.items()) {
    if (!value.is_string() || !platform::isHTTPToken(name)) continue;
    const auto& text = value.get_ref<const std::string&>();
    if (isSafeHeaderValue(text)) kept[name] = text;
  }
  return kept;
}

// Nothing stored, zero bytes or bytes that are not a JSON object read as no headers.
platform::Json headersFromData(const platform::OptBytes& bytes) {
  if (!bytes || bytes->empty()) return platform::Json::object();
  auto stored = platform::JSONObjectWithData(*bytes);
  return sendableHeaders(stored ? *stored : platform::Json());
}

// The headers of a request's read, parsed once per stored value: the bytes are still read in every
// request's transaction and compared with those parsed last, so a changed value is parsed afresh.
// A new value gets a new object, so headers already handed out never change.
std::shared_ptr<const platform::Json> requestHeadersFromData(std::optional<std::span<const uint8_t>> bytes) {
  struct Parsed {
    std::mutex mutex;
    platform::OptBytes bytes;
    std::shared_ptr<const platform::Json> headers;
  };
  static auto* last = new Parsed{{}, std::nullopt, QORCommonData::noHeaders()};  // never destroyed: safe at exit
  std::lock_guard lock(last->mutex);
  const bool same = bytes ? last->bytes && std::ranges::equal(*bytes, *last->bytes) : !last->bytes;
  if (!same) {
    last->bytes = bytes ? platform::OptBytes(std::in_place, bytes->begin(), bytes->end()) : std::nullopt;
    last->headers = std::make_shared<const platform::Json>(headersFromData(last->bytes));
  }
  return last->headers;
}

}  // namespace

#define QOR_TEXT_VALUE(getter, setter, key)                                                        \
  QORCommonData::OptString QORCommonData::getter() { return QORSecureStorage::stringForKey(key); } \
  bool QORCommonData::setter(const OptString& v) { return QORSecureStorage::setString(v, key); }

QOR_TEXT_VALUE(host, setHost, kQORSecureStorageHost)
QOR_TEXT_VALUE(webSocketHost, setWebSocketHost, kQORSecureStorageWebSocketHost)
QOR_TEXT_VALUE(pubVtnBase64, setPubVtnBase64, kQORSecureStoragePubVtnBase64)
QOR_TEXT_VALUE(installationId, setInstallationId, kQORSecureStorageInstallationId)
QOR_TEXT_VALUE(enrollmentId, setEnrollmentId, kQORSecureStorageEnrollmentId)
QOR_TEXT_VALUE(externalId, setExternalId, kQORSecureStorageExternalId)
QOR_TEXT_VALUE(skVTN, setSkVTN, kQORSecureStorageSkVTN)
QOR_TEXT_VALUE(appPNS, setAppPNS, kQORSecureStorageAppPNS)
#undef QOR_TEXT_VALUE

platform::OptBytes QORCommonData::sensitiveDataEncrypted() {
  return QORSecureStorage::dataForKey(kQORSecureStorageSensitiveDataEncrypted);
}

bool QORCommonData::setSensitiveDataEncrypted(const platform::OptBytes& v) {
  return QORSecureStorage::setData(v, kQORSecureStorageSensitiveDataEncrypted);
}

platform::OptBytes QORCommonData::skSessionEncrypted() {
  return QORSecureStorage::dataForKey(kQORSecureStorageSkSessionEncrypted);
}

bool QORCommonData::setSkSessionEncrypted(const platform::OptBytes& v) {
  return QORSecureStorage::setData(v, kQORSecureStorageSkSessionEncrypted);
}

const std::shared_ptr<const platform::Json>& QORCommonData::noHeaders() {
  static const auto* empty = new std::shared_ptr<const platform::Json>(
      std::make_shared<const platform::Json>(platform::Json::object()));  // never destroyed: safe at exit
  return *empty;
}

platform::Json QORCommonData::httpHeaders() { return headersFromData(QORSecureStorage::dataForKey(kQORSecureStorageHttpHeaders)); }

QORCommonData::RequestValues QORCommonData::requestValues(bool withWebSocketHost) {
  // The key lists, never destroyed: safe at exit.
  static const auto* withSocket = new std::vector<std::string>{
      kQORSecureStorageInstallationId, kQORSecureStoragePubVtnBase64, kQORSecureStorageHost,
      kQORSecureStorageHttpHeaders, kQORSecureStorageWebSocketHost};
  static const auto* withoutSocket = new std::vector<std::string>(withSocket->begin(), withSocket->end() - 1);
  RequestValues values;
  // In the order of the key lists; the headers are not text.
  OptString* const texts[] = {&values.installationId, &values.pubVtnBase64, &values.host, nullptr,
                              &values.webSocketHost};
  QORSecureStorage::readForKeys(withWebSocketHost ? *withSocket : *withoutSocket,
                                [&](size_t index, std::optional<std::span<const uint8_t>> data) {
                                  if (texts[index]) {
                                    *texts[index] = QORSecureStorage::stringFromBytes(data);
                                  } else {
                                    values.httpHeaders = requestHeadersFromData(data);
                                  }
                                });
  return values;
}

bool QORCommonData::setHttpHeaders(const std::optional<platform::Json>& headers) {
  platform::Bytes bytes;
  if (headers) bytes = platform::dataWithJSONObject(sendableHeaders(*headers)).value_or(platform::Bytes());
  return QORSecureStorage::setData(bytes, kQORSecureStorageHttpHeaders);
}

}  // namespace qor
