// A refused or unreadable upgrade answer.
#pragma once

#include <cstdint>

#include "common/websocket/AnyError.h"

namespace qor {

class HTTPUpgradeError final : public AnyError {
 public:
  // Case order is the bridged code: notAnUpgrade 0, invalidData 1.
  enum class Kind { notAnUpgrade, invalidData };

  // The answer's status code was not 101.
  static HTTPUpgradeError notAnUpgrade(int64_t status) { return HTTPUpgradeError(Kind::notAnUpgrade, status); }
  // The answer's header cannot be turned into fields.
  static HTTPUpgradeError invalidData() { return HTTPUpgradeError(Kind::invalidData, 0); }

  Kind kind() const { return kind_; }
  // The status code of a notAnUpgrade answer (0 for invalidData).
  int64_t status() const { return status_; }

  // Domain "qor.HTTPUpgradeError", code the case position; the status in the user info.
  platform::Error bridged() const override;

  bool operator==(const HTTPUpgradeError& other) const {
    return kind_ == other.kind_ && status_ == other.status_;
  }

 private:
  HTTPUpgradeError(Kind kind, int64_t status) : kind_(kind), status_(status) {}
  Kind kind_;
  int64_t status_;
};

}  // namespace qor
