// Checks the server's upgrade answer against the key the client sent.
#pragma once

#include <string>

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"

namespace qor {

class HeaderValidator {
 public:
  virtual ~HeaderValidator() = default;
  // Empty when the answer is acceptable, else the error that refuses it.
  virtual ErrorPtr validate(const HeaderFields& headers, const std::string& key) = 0;
};

}  // namespace qor
