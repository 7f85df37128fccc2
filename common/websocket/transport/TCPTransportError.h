// Errors of the connection transport.
#pragma once

#include "common/websocket/AnyError.h"

namespace qor {

class TCPTransportError final : public AnyError {
 public:
  // Case order is the bridged code.
  enum class Kind { invalidRequest };

  // The URL has no usable host and port.
  static TCPTransportError invalidRequest() { return TCPTransportError(Kind::invalidRequest); }
  Kind kind() const { return kind_; }
  // Domain "qor.TCPTransportError", code the case position.
  platform::Error bridged() const override;

 private:
  explicit TCPTransportError(Kind kind) : kind_(kind) {}
  Kind kind_;
};

}  // namespace qor
