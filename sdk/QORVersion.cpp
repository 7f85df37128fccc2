#include "sdk/QORVersion.h"

namespace qor {

const double QORVersionNumber = 1.0;
const char* const QORVersionString = "1.0.0";

}  // namespace qor
