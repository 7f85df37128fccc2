// What several authorization actions share: their data source as the protocol they need, the raw
// code block of an accepted answer, and the header of the steps sealed with the agreed secret.
#pragma once

#include <memory>
#include <optional>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/authorization/QORAuthRequestHeader.h"
#include "sdk/authorization/QORHandshakeStep2ActionDataSource.h"

namespace qor::internal {

template <class Protocol>
std::shared_ptr<Protocol> dataSourceAs(const QORBaseClientAction& action) {
  return std::dynamic_pointer_cast<Protocol>(action.dataSource().lock());
}

// The "actionCodeBlock" object of the opened body, exactly as received.
inline std::optional<platform::Json> rawCodeBlock(const std::shared_ptr<QORBaseResponse>& response) {
  const auto& body = response ? response->getDecryptedBody() : std::nullopt;
  const platform::Json* block = body ? platform::member(*body, "actionCodeBlock") : nullptr;
  if (!block || !block->is_object()) return std::nullopt;
  return *block;
}

inline std::shared_ptr<QORSecretKey> agreedSecret(const QORBaseClientAction& action) {
  auto source = dataSourceAs<QORHandshakeStep2ActionDataSource>(action);
  return source ? source->sharedSecretDh() : nullptr;
}

inline std::shared_ptr<QORBaseRequestHeader> agreedSecretHeader(const QORBaseClientAction& action) {
  return QORAuthRequestHeader::create(action.actionType(), agreedSecret(action));
}

}  // namespace qor::internal
