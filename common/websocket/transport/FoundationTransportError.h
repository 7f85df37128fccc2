// Errors of the stream transport.
#pragma once

#include "common/websocket/AnyError.h"

namespace qor {

class FoundationTransportError final : public AnyError {
 public:
  // Case order is the bridged code.
  enum class Kind {
    invalidRequest,       // the URL has no usable host and port
    invalidOutputStream,  // no output stream, or it did not take the bytes
    timeout,              // not connected within the connect timeout
  };

  explicit FoundationTransportError(Kind kind) : kind_(kind) {}
  Kind kind() const { return kind_; }
  // Domain "qor.FoundationTransportError", code the case position.
  platform::Error bridged() const override;

 private:
  Kind kind_;
};

}  // namespace qor
