#include "KivAbstractCore/KivAbstractCoreVersion.h"

namespace qor {

const double KivAbstractCoreVersionNumber = 1.0;
const char* const KivAbstractCoreVersionString = "@(#)PROGRAM:KivAbstractCore  PROJECT:KivAbstractCore-1\n";

}  // namespace qor
