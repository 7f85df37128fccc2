// What several benchmarks share: one RSA-2048 key pair made by the SDK, the library objects of the
// floors made from the same bytes, and a way to make the next private-key use a first use.
#pragma once

#include <cryptopp/osrng.h>
#include <cryptopp/rsa.h>

#include <functional>
#include <memory>

#include "common/crypto/QORKeyPair.h"
#include "platform/Bytes.h"

namespace qorbench {

// Made once, on first use.
const qor::QORKeyPair& rsaKeyPair();

// The key's DER bytes loaded into Crypto++ (decoded, not validated).
CryptoPP::RSA::PrivateKey cryptoppPrivateKey(const platform::Bytes& der);
CryptoPP::RSA::PublicKey cryptoppPublicKey(const platform::Bytes& der);

// Forgets which private keys passed validation, so the next use of any key validates again.
void forgetValidatedKeys();

// Child processes (peers, servers) that a group started: `stop` runs at the end of the program,
// after every benchmark, in the reverse order of registration.
void stopAtEnd(std::function<void()> stop);
void stopPeers();

// Stops the benchmark with an error unless `ok`; returns `ok`.
bool check(bool ok, const char* what);

}  // namespace qorbench
