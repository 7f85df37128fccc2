// Nonces, and the single place where failures of the crypto library are reported. Stateless; any
// thread.
#pragma once

#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT QORCryptUtils {
 public:
  QORCryptUtils() = delete;

  // 16 random bytes, from the same source as QORCryptUtilsSymmetric::generateIV; nil when the
  // source fails.
  static platform::OptBytes generateNonce();
  // MD5 of the data's bytes followed by the text's UTF-8 bytes; either may be nil (then it adds
  // nothing), so with both nil this is MD5 of the empty input.
  static platform::Bytes generateNonce(const std::optional<std::string>& text, const platform::OptBytes& data);

  // Receives the library's message for every failure it raises; discards it.
  static void logCryptoPPException(const char* message) noexcept;
};

}  // namespace qor
