#include "common/artifacts/QORSessionArtifact.h"

#include "platform/Utf16.h"

namespace qor {

std::shared_ptr<QORSessionArtifact> QORSessionArtifact::create(std::optional<int64_t> type) {
  return std::make_shared<QORSessionArtifact>(type);
}

QORSessionArtifact::QORSessionArtifact(std::optional<int64_t> type) : type_(type) {}

QORSessionArtifact::~QORSessionArtifact() = default;

std::optional<platform::Json> QORSessionArtifact::requestDictionary() const {
  if (!type_) return std::nullopt;
  return platform::Json{{dictionaryKeyRequestHeaderType, *type_}};
}

uint32_t QORSessionArtifact::getHashCode() const { return 0; }

platform::Bytes QORSessionArtifact::getHashCodeData() const {
  const uint32_t hash = getHashCode();
  return {static_cast<uint8_t>(hash >> 24), static_cast<uint8_t>(hash >> 16), static_cast<uint8_t>(hash >> 8),
          static_cast<uint8_t>(hash)};
}

int32_t QORSessionArtifact::hashFor(const std::optional<std::string>& text) {
  if (!text) return 0;
  uint32_t h = 0;  // unsigned, so the wrap-around is defined
  for (char16_t unit : platform::utf16FromUtf8(*text)) h = 31 * h + unit;
  return static_cast<int32_t>(h);
}

}  // namespace qor
