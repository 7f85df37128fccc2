#include "KivAbstractCore/KivAbstractCoreVersion.h"

namespace qor {

const double KivAbstractCoreVersionNumber = 1.0;
const char* const KivAbstractCoreVersionString = "1.0.0";

}  // namespace qor
