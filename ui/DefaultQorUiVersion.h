// Version of the DefaultQorUi library, as built.
#pragma once

#include "ui/DefaultQorUiExport.h"

namespace qor {

QOR_UI_EXPORT extern const double DefaultQorUiVersionNumber;
QOR_UI_EXPORT extern const char* const DefaultQorUiVersionString;

}  // namespace qor
