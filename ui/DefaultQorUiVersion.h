// Version of the DefaultQorUi library, as built.
#pragma once

namespace qor {

extern const double DefaultQorUiVersionNumber;
extern const char* const DefaultQorUiVersionString;

}  // namespace qor
