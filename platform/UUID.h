// Fresh random UUIDs in the platform's text form.
#pragma once

#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

// A random UUID (version 4, the RFC 9562 variant) as 36 characters: upper-case hexadecimal digits in
// groups of 8-4-4-4-12 joined by hyphens. Safe from any thread.
QOR_PLATFORM_EXPORT std::string uuidString();

}  // namespace platform
