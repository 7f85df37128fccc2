#include "common/crypto/internal/LibraryKeys.h"

#include <algorithm>
#include <atomic>

#include <cryptopp/sha.h>

#include "common/crypto/QORCryptUtils.h"

namespace qor::internal {

// The one door to the parsed key a QORSecretKey keeps.
struct LibraryKeySlot {
  template <class T>
  static std::shared_ptr<T> get(const QORSecretKey& key) {
    std::lock_guard lock(key.libraryKeyMutex_);
    return std::dynamic_pointer_cast<T>(key.libraryKey_);
  }
  // The kept holder of the type, or a new empty one that is kept from now on.
  template <class T>
  static std::shared_ptr<T> getOrMake(const QORSecretKey& key) {
    std::lock_guard lock(key.libraryKeyMutex_);
    if (auto kept = std::dynamic_pointer_cast<T>(key.libraryKey_)) return kept;
    auto made = std::make_shared<T>();
    key.libraryKey_ = made;
    return made;
  }
  static void set(const QORSecretKey& key, std::shared_ptr<LibraryKey> parsed) {
    std::lock_guard lock(key.libraryKeyMutex_);
    key.libraryKey_ = std::move(parsed);
  }
};

namespace {

std::atomic<uint64_t> gPrivateKeyValidations{0};
std::atomic<uint64_t> gPublicKeyDecodes{0};

DigestSet::Digest digestOf(const platform::Bytes& bytes) {
  DigestSet::Digest digest;
  CryptoPP::SHA256().CalculateDigest(digest.data(), bytes.data(), bytes.size());
  return digest;
}

}  // namespace

std::shared_ptr<AesGcmLibraryKey> aesGcmKeyOf(const QORSecretKey& key) {
  return LibraryKeySlot::getOrMake<AesGcmLibraryKey>(key);
}

std::shared_ptr<const RsaPublicLibraryKey> rsaPublicKeyOf(const QORSecretKey& key) {
  if (auto kept = LibraryKeySlot::get<RsaPublicLibraryKey>(key)) return kept;
  auto parsed = std::make_shared<RsaPublicLibraryKey>();
  ++gPublicKeyDecodes;
  loadKey(parsed->encryptor.AccessKey(), *key.data());
  if (!parsed->encryptor.GetKey().Validate(CryptoPP::NullRNG(), 0)) {
    QORCryptUtils::logCryptoPPException("Rsa public key validation failed");
    return nullptr;
  }
  LibraryKeySlot::set(key, parsed);
  return parsed;
}

std::shared_ptr<const RsaPrivateLibraryKey> rsaPrivateKeyOf(const QORSecretKey& key,
                                                            CryptoPP::RandomNumberGenerator& rng) {
  if (auto kept = LibraryKeySlot::get<RsaPrivateLibraryKey>(key)) return kept;
  auto parsed = std::make_shared<RsaPrivateLibraryKey>();
  loadKey(parsed->decryptor.AccessKey(), *key.data());
  const DigestSet::Digest digest = digestOf(*key.data());
  if (!validatedPrivateKeys().use(digest)) {
    ++gPrivateKeyValidations;
    if (!parsed->decryptor.GetKey().Validate(rng, 2)) {
      QORCryptUtils::logCryptoPPException("Rsa private key validation failed");
      return nullptr;
    }
    validatedPrivateKeys().insert(digest);
  }
  LibraryKeySlot::set(key, parsed);
  return parsed;
}

bool DigestSet::refreshLocked(const Digest& digest) {
  const auto found = std::find(entries_.begin(), entries_.end(), digest);
  if (found == entries_.end()) return false;
  std::rotate(found, found + 1, entries_.end());
  return true;
}

bool DigestSet::use(const Digest& digest) {
  std::lock_guard lock(mutex_);
  return refreshLocked(digest);
}

bool DigestSet::contains(const Digest& digest) const {
  std::lock_guard lock(mutex_);
  return std::find(entries_.begin(), entries_.end(), digest) != entries_.end();
}

void DigestSet::insert(const Digest& digest) {
  std::lock_guard lock(mutex_);
  if (capacity_ == 0 || refreshLocked(digest)) return;
  if (entries_.size() == capacity_) entries_.erase(entries_.begin());
  entries_.push_back(digest);
}

void DigestSet::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

DigestSet& validatedPrivateKeys() {
  static auto* set = new DigestSet(kValidatedPrivateKeys);  // never destroyed, like the other process-wide state
  return *set;
}

uint64_t privateKeyValidationCount() { return gPrivateKeyValidations.load(); }

uint64_t publicKeyDecodeCount() { return gPublicKeyDecodes.load(); }

}  // namespace qor::internal
