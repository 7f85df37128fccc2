// The WebSocket stack's own error value: a family, a text and a code. The code is a close code
// (or another code its maker chooses); the engine sends it in the close frame that follows the error.
#pragma once

#include <cstdint>
#include <string>

#include "common/websocket/AnyError.h"

namespace qor {

enum class ErrorType { compressionError, securityError, protocolError, serverError };

const char* errorTypeName(ErrorType type);

class WSError final : public AnyError {
 public:
  WSError(ErrorType type, std::string message, uint16_t code)
      : type_(type), message_(std::move(message)), code_(code) {}

  ErrorType type() const { return type_; }
  const std::string& message() const { return message_; }
  uint16_t code() const { return code_; }

  // Domain "qor.WSError", code 1 (a structure); type, message and code in the user info.
  platform::Error bridged() const override;

  bool operator==(const WSError& other) const {
    return type_ == other.type_ && message_ == other.message_ && code_ == other.code_;
  }

 private:
  ErrorType type_;
  std::string message_;
  uint16_t code_;
};

}  // namespace qor
