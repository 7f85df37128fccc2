#include "sdk/codeblocks/ActionCodeBlock.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "common/crypto/QORCryptUtilsB64.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "sdk/QORConstants.h"
#include "sdk/codeblocks/internal/NumberMember.h"

namespace qor {
namespace {

constexpr int32_t kMaxSessionTimeout = 300;

double wallSecondsNow() {
  return std::chrono::duration<double>(platform::Clock::wallNow().time_since_epoch()).count();
}

int64_t saturatedRound(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; everything at or above it saturates.
  if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(std::round(value));  // halves away from zero
}

}  // namespace

std::shared_ptr<ActionCodeBlock> ActionCodeBlock::create(const std::optional<platform::Json>& dictionary) {
  return make<ActionCodeBlock>(dictionary);
}

void ActionCodeBlock::initBody(const std::optional<platform::Json>&) {}

void ActionCodeBlock::initWithDictionary(const std::optional<platform::Json>& dictionary) {
  std::optional<platform::Json> body;
  if (dictionary && dictionary->is_object()) {
    blockId_ = platform::stringMember(*dictionary, "id");
    lifeTime_ = internal::int64NumberMember(*dictionary, "lifeTime").value_or(0);
    body = QORJsonByteObjectConverter::dictionaryFromData(
        QORCryptUtilsB64::decodeString(platform::stringMember(*dictionary, "body")));
  }
  if (body) {
    if (platform::stringMember(*body, flutterScreenTransactionDataKey)) {
      body = setGuiDataDictionary(*body);
    } else {
      // GUI data of another type than text is treated as absent, by every reader of the body.
      body->erase(flutterScreenTransactionDataKey);
    }
    seed_ = platform::stringMember(*body, "seed");
  }
  initBody(body);
}

platform::Json ActionCodeBlock::setGuiDataDictionary(const platform::Json& body) {
  return setGuiDataDictionary(body, wallSecondsNow());
}

platform::Json ActionCodeBlock::setGuiDataDictionary(const platform::Json& body, double nowSeconds) {
  platform::Json gui = dictionaryFromJson(platform::stringMember(body, flutterScreenTransactionDataKey));
  gui["timerSecondsTime"] = fetchTimerSecondsTime(body, nowSeconds);
  platform::Json rewritten = body.is_object() ? body : platform::Json::object();
  rewritten[flutterScreenTransactionDataKey] = std::move(gui);
  return rewritten;
}

platform::Json ActionCodeBlock::dictionaryFromJson(const std::optional<std::string>& text) {
  if (!text) return platform::Json::object();
  auto parsed = platform::JSONObjectWithString(*text);
  if (!parsed || !parsed->is_object()) return platform::Json::object();
  return *parsed;
}

int64_t ActionCodeBlock::fetchTimerSecondsTime(const platform::Json& body) {
  return fetchTimerSecondsTime(body, wallSecondsNow());
}

int64_t ActionCodeBlock::fetchTimerSecondsTime(const platform::Json& body, double nowSeconds) {
  static const platform::DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
  double start = 0;
  if (auto text = platform::stringMember(body, "sessionStarted")) {
    if (auto date = formatter.dateFromString(*text)) start = std::trunc(*date);
  }
  int32_t timeout = internal::int32NumberMember(body, "sessionTimeout").value_or(0);
  if (timeout >= kMaxSessionTimeout) timeout = kMaxSessionTimeout;
  const double milliseconds = start * 1000.0 + timeout * 1000.0 - nowSeconds * 1000.0;
  return saturatedRound(milliseconds / 1000.0);
}

}  // namespace qor
