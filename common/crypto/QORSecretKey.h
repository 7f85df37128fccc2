// Key bytes with a kind. The kind says where the bytes came from: 0 for an AES key or an agreed
// secret, 1 for a public key or any key restored from bytes or Base64, 2 for a freshly generated
// private key. Nothing branches on it.
//
// Immutable once made, so it may be shared between threads. The object owns its bytes and wipes
// them when it goes away. Beside them it keeps the crypto library's parsed form of the key, made by
// the crypto utilities on first use (thread-safe), so that a key is decoded once per object.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"

namespace qor {

namespace internal {
class LibraryKey;
struct LibraryKeySlot;
}  // namespace internal

class QOR_COMMON_EXPORT QORSecretKey {
 public:
  // `data` may be nil: a key restored from text that is not Base64 has no bytes, and every
  // operation with it gives nil.
  static std::shared_ptr<QORSecretKey> create(platform::OptBytes data, int type);

  QORSecretKey(platform::OptBytes data, int type);
  ~QORSecretKey();
  QORSecretKey(const QORSecretKey&) = delete;
  QORSecretKey& operator=(const QORSecretKey&) = delete;

  const platform::OptBytes& data() const { return data_; }
  int type() const { return type_; }
  // Byte length of the key; 0 when it has no bytes.
  size_t keySize() const { return data_ ? data_->size() : 0; }

 private:
  friend struct internal::LibraryKeySlot;

  platform::OptBytes data_;
  int type_;
  mutable std::mutex libraryKeyMutex_;
  mutable std::shared_ptr<internal::LibraryKey> libraryKey_;
};

}  // namespace qor
