// The header of the requests sealed with a fresh AES key (wake-up, first handshake step, both
// enrollment steps): the base header's type, IV and key, plus the stored enrollment identifier.
// Made for one request; used from one queue at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/request/QORBaseRequestHeader.h"

namespace qor {

class QOREnrollmentRequestHeader : public QORBaseRequestHeader {
 public:
  // initWithType: the type, a new AES key and a new IV.
  static std::shared_ptr<QOREnrollmentRequestHeader> create(std::optional<int64_t> type);

  // {"type", "nIV", "symmetricKeyQOR", "enrollmentId"}, or nullopt unless all four are there.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  explicit QOREnrollmentRequestHeader(std::optional<int64_t> type) : QORBaseRequestHeader(type) {}
};

}  // namespace qor
