// Feeds arbitrary answer bytes to the answers of the authorization flow as the action reads them:
// the outer answer, then its opened body, for the first handshake step and the two code-block
// answers. Checks what must hold whatever arrives.
#include <cstdint>
#include <cstdlib>

#include "common/request/QORBaseResponse.h"
#include "platform/Json.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/QORWakeUpResponse.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"

namespace {

#define QOR_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) abort();    \
  } while (0)

// The opened body: the answer's "body" member when it is an object (so that both levels get
// fuzzed from one input), else the answer itself.
std::optional<platform::Json> openedBody(const platform::Json& answer) {
  if (const platform::Json* inner = platform::member(answer, "body"); inner && inner->is_object()) return *inner;
  return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::Bytes bytes(data, data + size);
  const auto parsed = platform::JSONObjectWithData(bytes);

  auto handshake = std::dynamic_pointer_cast<qor::QORHandshakeStep1Response>(
      qor::responseFromData(bytes, qor::responseClassOf<qor::QORHandshakeStep1Response>()));
  QOR_FUZZ_CHECK((handshake != nullptr) == (parsed && parsed->is_object()));
  if (!handshake) return 0;
  const auto body = openedBody(*parsed);
  handshake->setDecryptedBody(body);
  QOR_FUZZ_CHECK(!handshake->getDecryptedBody());
  const platform::Json* skVTN = platform::member(*parsed, "skVTN");
  QOR_FUZZ_CHECK(handshake->skVTN().has_value() == (skVTN && skVTN->is_string()));

  auto wakeUp = std::dynamic_pointer_cast<qor::QORWakeUpResponse>(
      qor::responseFromData(bytes, qor::responseClassOf<qor::QORWakeUpResponse>()));
  auto prepare = std::dynamic_pointer_cast<qor::QorPrepareAuthResponse>(
      qor::responseFromData(bytes, qor::responseClassOf<qor::QorPrepareAuthResponse>()));
  QOR_FUZZ_CHECK(wakeUp && prepare);
  wakeUp->setDecryptedBody(body);
  prepare->setDecryptedBody(body);
  QOR_FUZZ_CHECK(wakeUp->getDecryptedBody() == body && wakeUp->codeBlock() && prepare->codeBlock());
  QOR_FUZZ_CHECK(wakeUp->codeBlock()->seed() == prepare->codeBlock()->seed());
  return 0;
}
