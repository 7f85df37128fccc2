#include "platform/Digest.h"

#include <cryptopp/md5.h>
#include <cryptopp/sha.h>

namespace platform {
namespace {

template <class Hash>
Bytes digest(const uint8_t* data, size_t size) {
  Hash hash;
  Bytes out(Hash::DIGESTSIZE);
  // Update takes size_t, so inputs past 4 GiB are hashed whole.
  hash.Update(data, size);
  hash.Final(out.data());
  return out;
}

}  // namespace

Bytes md5(const uint8_t* data, size_t size) { return digest<CryptoPP::Weak::MD5>(data, size); }
Bytes sha1(const uint8_t* data, size_t size) { return digest<CryptoPP::SHA1>(data, size); }
Bytes sha256(const uint8_t* data, size_t size) { return digest<CryptoPP::SHA256>(data, size); }

}  // namespace platform
