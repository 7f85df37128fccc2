// What inflating one frame gives: the bytes, or the error that ends the message.
#pragma once

#include <variant>

#include "common/websocket/WSError.h"
#include "platform/Bytes.h"

namespace qor {

// The error carries a close code: 1007 for data that does not inflate, 1009 above the size cap.
using DecompressResult = std::variant<platform::Bytes, WSError>;

}  // namespace qor
