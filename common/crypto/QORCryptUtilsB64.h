// Base64 of the platform's data object: standard alphabet, '=' padding, no line breaks when
// encoding; decoding skips characters outside the alphabet. Nil in gives nil out. Stateless; any
// thread.
#pragma once

#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT QORCryptUtilsB64 {
 public:
  QORCryptUtilsB64() = delete;

  static std::optional<std::string> encodeDataToString(const platform::OptBytes& data);
  // The same text as ASCII bytes.
  static platform::OptBytes encodeData(const platform::OptBytes& data);
  // Base64 of the text's UTF-8 bytes.
  static std::optional<std::string> encodeString(const std::optional<std::string>& text);
  // Nil also for text that does not decode.
  static platform::OptBytes decodeString(const std::optional<std::string>& text);
  // Decodes bytes that hold Base64 text.
  static platform::OptBytes decodeData(const platform::OptBytes& data);
};

}  // namespace qor
