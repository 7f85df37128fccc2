// What an HTTP handler reports about the server's answer to the upgrade request.
#pragma once

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"
#include "common/websocket/VariantEvent.h"

namespace qor {

struct HTTPEventCases {
  // The answer's header fields.
  struct Success { HeaderFields headers; };
  // Not an upgrade (HTTPUpgradeError::notAnUpgrade) or unreadable (invalidData).
  struct Failure { ErrorPtr error; };
};

struct HTTPEvent : HTTPEventCases, VariantEvent<HTTPEventCases::Success, HTTPEventCases::Failure> {
  using VariantEvent::VariantEvent;
};

}  // namespace qor
