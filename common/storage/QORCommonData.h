// Typed access to the stored values that several parts of the SDK share (see QORSecureStorage for
// the keys). Thread-safe; every getter reads the keychain anew. Setters with nullopt delete the
// item, except setHttpHeaders; their result is for C++ callers that want to check it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORCommonData {
 public:
  using OptString = std::optional<std::string>;

  static OptString host();
  static bool setHost(const OptString& v);
  static OptString webSocketHost();
  static bool setWebSocketHost(const OptString& v);
  static OptString pubVtnBase64();
  static bool setPubVtnBase64(const OptString& v);
  static OptString installationId();
  static bool setInstallationId(const OptString& v);
  static OptString enrollmentId();
  static bool setEnrollmentId(const OptString& v);
  static OptString externalId();
  static bool setExternalId(const OptString& v);
  static OptString skVTN();
  static bool setSkVTN(const OptString& v);
  static OptString appPNS();
  static bool setAppPNS(const OptString& v);

  static platform::OptBytes sensitiveDataEncrypted();
  static bool setSensitiveDataEncrypted(const platform::OptBytes& v);
  static platform::OptBytes skSessionEncrypted();
  static bool setSkSessionEncrypted(const platform::OptBytes& v);

  // The stored values of one request to the server, each as its getter gives it, read in one
  // keychain read (one lock of the keychain file instead of one per value, and values of one
  // moment). The WebSocket URL is read only when asked for. The headers are shared with the
  // read that parsed the same stored bytes, never changed after parsing, and never null.
  struct RequestValues {
    OptString installationId;
    OptString pubVtnBase64;
    OptString host;
    std::shared_ptr<const platform::Json> httpHeaders = noHeaders();
    OptString webSocketHost;
  };
  static RequestValues requestValues(bool withWebSocketHost);
  // The empty object, shared.
  static const std::shared_ptr<const platform::Json>& noHeaders();

  // The extra HTTP headers for the server's requests and the WebSocket upgrade: always a JSON
  // object of text to text. Stored as its JSON text; nothing stored, zero bytes or bytes that are
  // not such an object read as an empty object. Entries that could not be sent safely are dropped:
  // values that are not text, names that are not HTTP tokens, values holding control characters
  // (CR, LF and NUL among them; a horizontal tab is allowed).
  static platform::Json httpHeaders();
  // Stores the headers that pass the same rules; nullopt stores zero bytes (the item stays).
  static bool setHttpHeaders(const std::optional<platform::Json>& headers);
};

}  // namespace qor
