// What an HTTP handler reports about the server's answer to the upgrade request.
#pragma once

#include <variant>

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"

namespace qor {

struct HTTPEvent {
  // The answer's header fields.
  struct Success { HeaderFields headers; };
  // Not an upgrade (HTTPUpgradeError::notAnUpgrade) or unreadable (invalidData).
  struct Failure { ErrorPtr error; };
  using Value = std::variant<Success, Failure>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  HTTPEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

}  // namespace qor
