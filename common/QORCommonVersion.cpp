#include "common/QORCommonVersion.h"

namespace qor {

const double QORCommonVersionNumber = 1.0;
const char* const QORCommonVersionString = "1.0.0";

}  // namespace qor
