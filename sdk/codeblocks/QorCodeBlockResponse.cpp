#include "sdk/codeblocks/QorCodeBlockResponse.h"

namespace qor {

std::shared_ptr<QorCodeBlockResponse> QorCodeBlockResponse::create() {
  return std::shared_ptr<QorCodeBlockResponse>(new QorCodeBlockResponse());
}

void QorCodeBlockResponse::setDecryptedBody(std::optional<platform::Json> body) {
  QORBaseResponse::setDecryptedBody(body);
  const platform::Json* block = body ? platform::member(*body, "actionCodeBlock") : nullptr;
  initCodeBlock(block && block->is_object() ? std::optional<platform::Json>(*block) : std::nullopt);
}

}  // namespace qor
