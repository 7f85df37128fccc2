// What several benchmarks share: one RSA-2048 key pair made by the SDK, one made as the reference
// server makes its own, the library objects of the floors made from the same bytes, the random
// generator of the floors, and a way to make the next private-key use a first use.
#pragma once

#include <cryptopp/osrng.h>
#include <cryptopp/rsa.h>

#include <functional>
#include <memory>

#include "common/crypto/QORKeyPair.h"
#include "common/crypto/internal/PlatformRandom.h"
#include "platform/Bytes.h"

namespace qorbench {

// Made once, on first use, by the SDK (public exponent 17): the client's own keys.
const qor::QORKeyPair& rsaKeyPair();
// Made once, on first use, like the reference server's keys (RSA-2048, public exponent 65537): the
// server's key, under which every request header is sealed.
const qor::QORKeyPair& serverKeyPair();

// The generator a floor draws padding, blinding and validation bases from: the one the SDK's
// crypto utilities use (the platform's DRBG, small draws served from a buffer), so a floor differs
// from the SDK's path in the library calls only, not in the cost of its random bytes.
using FloorRandom = qor::internal::PlatformRandom;

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
