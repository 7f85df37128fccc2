// Version of the QORPlatform library, as built.
#pragma once

namespace platform {

extern const double QORPlatformVersionNumber;
extern const char* const QORPlatformVersionString;

}  // namespace platform
