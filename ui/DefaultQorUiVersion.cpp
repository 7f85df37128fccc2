#include "ui/DefaultQorUiVersion.h"

namespace qor {

const double DefaultQorUiVersionNumber = 1.0;
const char* const DefaultQorUiVersionString = "@(#)PROGRAM:DefaultQorUi  PROJECT:DefaultQorUi-1\n";

}  // namespace qor
