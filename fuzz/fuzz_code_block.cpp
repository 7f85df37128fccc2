// Feeds arbitrary code blocks to the three code-block parsers, the GUI-data rewrite, the session
// timer and the records made from a block, and checks what must hold whatever arrives. The input
// is a code-block object when it is JSON, else the bytes of a block's body.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/Base64.h"
#include "platform/Json.h"
#include "sdk/artifacts/CodeBlockHashArtifact.h"
#include "sdk/artifacts/QORCodeBlockCallsArtifact.h"
#include "sdk/codeblocks/EnrollmentActionCodeBlock.h"
#include "sdk/codeblocks/PrepareAuthActionCodeBlock.h"
#include "sdk/codeblocks/WakeUpActionCodeBlock.h"

namespace {

#define QOR_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) abort();    \
  } while (0)

bool isText(const platform::Json& object, const char* key) {
  auto it = object.find(key);
  return it != object.end() && it->is_string();
}

// Every value the parsers hand on must still be writable as JSON.
void checkWritable(const std::optional<platform::Json>& value) {
  if (value) QOR_FUZZ_CHECK(platform::dataWithJSONObject(*value).has_value());
}

void checkPrepare(const qor::PrepareAuthActionCodeBlock& block) {
  if (!block.flutterGuiData()) {
    QOR_FUZZ_CHECK(!block.guiData() && !block.paymentData() && block.pinCodeLength() == 0);
    return;
  }
  const platform::Json& gui = *block.guiData();
  QOR_FUZZ_CHECK(gui.is_object() && isText(gui, "argGuiHeader") && isText(gui, "argGuiText"));
  const platform::Json& payments = *block.paymentData();
  QOR_FUZZ_CHECK(payments.size() == 3 && isText(payments, "argAmount") && isText(payments, "argCreditorAccount") &&
                 isText(payments, "argCreditorBank"));
  const platform::Json& whole = *block.flutterGuiData();
  if (auto it = whole.find("argGuiData"); it != whole.end()) {
    QOR_FUZZ_CHECK(it->is_object() && it->contains("timerSecondsTime"));
  }
  checkWritable(block.guiData());
  checkWritable(block.flutterGuiData());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::Bytes bytes(data, data + size);
  std::optional<platform::Json> block = platform::JSONObjectWithData(bytes);
  if (!block || !block->is_object()) {
    block = platform::Json{{"id", "fuzz"}, {"lifeTime", 1}, {"body", platform::base64Encode(bytes)}};
  }

  auto wakeUp = qor::WakeUpActionCodeBlock::create(block);
  auto prepare = qor::PrepareAuthActionCodeBlock::create(block);
  auto enrollment = qor::EnrollmentActionCodeBlock::create(block);
  QOR_FUZZ_CHECK(wakeUp->seed() == prepare->seed() && prepare->seed() == enrollment->seed());
  QOR_FUZZ_CHECK(wakeUp->blockId() == prepare->blockId() && wakeUp->lifeTime() == prepare->lifeTime());
  checkPrepare(*prepare);

  auto hash = qor::CodeBlockHashArtifact::create(block);
  QOR_FUZZ_CHECK(hash->b64CodeBlockHash() && hash->b64CodeBlockHash()->size() == 44);
  QOR_FUZZ_CHECK(hash->requestDictionary().has_value() == hash->codeBlockId().has_value());
  auto calls = qor::QORCodeBlockCallsArtifact::create(block);
  QOR_FUZZ_CHECK(calls->requestDictionary().has_value() == calls->codeBlockId().has_value());
  (void)hash->getHashCode();
  (void)calls->getHashCode();

  // The rewrite and the timer on the input as a body, at a clock taken from its first bytes,
  // extremes included.
  if (const auto body = platform::JSONObjectWithData(bytes); body && body->is_object()) {
    double now = 0;
    if (size >= sizeof now) std::memcpy(&now, data, sizeof now);
    for (double at : {now, 0.0, 1.7e9, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
      (void)qor::ActionCodeBlock::fetchTimerSecondsTime(*body, at);
      const platform::Json rewritten = qor::ActionCodeBlock::setGuiDataDictionary(*body, at);
      QOR_FUZZ_CHECK(rewritten.at("argGuiData").is_object());
    }
  }
  return 0;
}
