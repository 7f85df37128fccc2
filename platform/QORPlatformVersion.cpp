#include "platform/QORPlatformVersion.h"

namespace platform {

const double QORPlatformVersionNumber = 1.0;
const char* const QORPlatformVersionString = "1.0.0";

}  // namespace platform
