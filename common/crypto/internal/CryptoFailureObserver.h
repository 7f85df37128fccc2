// Tests see the failure texts that reach QORCryptUtils::logCryptoPPException, which otherwise
// discards them. One observer at a time; it is called on the failing call's thread, with no lock
// held.
#pragma once

#include <functional>

namespace qor::internal {

using CryptoFailureObserver = std::function<void(const char* message)>;

// An empty observer stops the observing.
void setCryptoFailureObserver(CryptoFailureObserver observer);

}  // namespace qor::internal
