#include "common/websocket/WSError.h"

namespace qor {

const char* errorTypeName(ErrorType type) {
  switch (type) {
    case ErrorType::compressionError: return "compressionError";
    case ErrorType::securityError: return "securityError";
    case ErrorType::protocolError: return "protocolError";
    case ErrorType::serverError: return "serverError";
  }
  return "unknown";
}

platform::Error WSError::bridged() const {
  return platform::Error::make("qor.WSError", 1,
                               {{"type", errorTypeName(type_)},
                                {"message", message_},
                                {"code", code_},
                                {platform::kLocalizedDescriptionKey, message_}});
}

}  // namespace qor
