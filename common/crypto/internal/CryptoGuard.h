// The one wrapper around every Crypto++ call of the crypto utilities: whatever the library (or
// anything else) throws becomes a nil result, and its text goes to logCryptoPPException.
#pragma once

#include <exception>

#include <cryptopp/cryptlib.h>

#include "common/crypto/QORCryptUtils.h"

namespace qor::internal {

// `body` returns a nil-able value (std::optional or a smart pointer); a throw gives that type's nil.
template <class Body>
auto guardCrypto(Body&& body) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (const CryptoPP::Exception& e) {
    QORCryptUtils::logCryptoPPException(e.what());
  } catch (const std::exception& e) {
    QORCryptUtils::logCryptoPPException(e.what());
  } catch (...) {
    QORCryptUtils::logCryptoPPException("unknown failure");
  }
  return {};
}

}  // namespace qor::internal
