#include "common/crypto/QORCryptUtils.h"

#include "common/crypto/QORCryptUtilsMD5.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"

namespace qor {

platform::OptBytes QORCryptUtils::generateNonce() { return QORCryptUtilsSymmetric::generateIV(); }

platform::Bytes QORCryptUtils::generateNonce(const std::optional<std::string>& text, const platform::OptBytes& data) {
  platform::Bytes input;
  if (data) input = *data;
  if (text) input.insert(input.end(), text->begin(), text->end());
  platform::Bytes digest = QORCryptUtilsMD5::encode(input);
  // The seed may be key material of the run.
  platform::secureWipe(input);
  return digest;
}

void QORCryptUtils::logCryptoPPException(const char* /*message*/) noexcept {}

}  // namespace qor
