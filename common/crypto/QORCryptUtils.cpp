#include "common/crypto/QORCryptUtils.h"

#include <memory>
#include <mutex>

#include "common/crypto/QORCryptUtilsMD5.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/crypto/internal/CryptoFailureObserver.h"

namespace qor {
namespace {

struct ObserverSlot {
  std::mutex mutex;
  std::shared_ptr<const internal::CryptoFailureObserver> observer;
};

ObserverSlot& observerSlot() {
  static auto* slot = new ObserverSlot;  // never destroyed: a failure during exit stays safe
  return *slot;
}

}  // namespace

void internal::setCryptoFailureObserver(CryptoFailureObserver observer) {
  auto& slot = observerSlot();
  auto kept = observer ? std::make_shared<const CryptoFailureObserver>(std::move(observer)) : nullptr;
  std::lock_guard lock(slot.mutex);
  slot.observer = std::move(kept);
}

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

void QORCryptUtils::logCryptoPPException(const char* message) noexcept {
  auto& slot = observerSlot();
  std::shared_ptr<const internal::CryptoFailureObserver> observer;
  {
    std::lock_guard lock(slot.mutex);
    observer = slot.observer;
  }
  if (!observer) return;
  try {
    (*observer)(message);
  } catch (...) {
  }
}

}  // namespace qor
