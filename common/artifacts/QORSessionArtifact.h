// One evidence record of a commit, an enrollment or a device-information report: a type number, a
// JSON dictionary and a 32-bit hash code over its content. Subclasses add their members to
// requestDictionary() and compute getHashCode() from hashFor(). The hash travels to the server, so
// hashFor() is part of the protocol.
//
// The base is immutable; const methods may be called from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "common/artifacts/QORArtifactKeys.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORSessionArtifact {
 public:
  static std::shared_ptr<QORSessionArtifact> create(std::optional<int64_t> type);

  explicit QORSessionArtifact(std::optional<int64_t> type);
  virtual ~QORSessionArtifact();

  const std::optional<int64_t>& type() const { return type_; }

  // {"type": type}; nil when there is no type.
  virtual std::optional<platform::Json> requestDictionary() const;
  // The base has no content and hashes to 0.
  virtual uint32_t getHashCode() const;
  // getHashCode() as 4 bytes, most significant first.
  platform::Bytes getHashCodeData() const;

  // h = 31 * h + c over the text's UTF-16 code units (a character outside the basic plane counts as
  // its two surrogates), wrapping modulo 2^32, read as signed. Nil and the empty text give 0.
  static int32_t hashFor(const std::optional<std::string>& text);

 private:
  std::optional<int64_t> type_;
};

}  // namespace qor
