// Version of the QORPlatform library, as built.
#pragma once

#include "platform/QORPlatformExport.h"

namespace platform {

QOR_PLATFORM_EXPORT extern const double QORPlatformVersionNumber;
QOR_PLATFORM_EXPORT extern const char* const QORPlatformVersionString;

}  // namespace platform
