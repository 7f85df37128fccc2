#include "ui/DefaultQorUiVersion.h"

namespace qor {

const double DefaultQorUiVersionNumber = 1.0;
const char* const DefaultQorUiVersionString = "1.0.0";

}  // namespace qor
