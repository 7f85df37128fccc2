// Version of the KivAbstractCore library, as built.
#pragma once

namespace qor {

extern const double KivAbstractCoreVersionNumber;
extern const char* const KivAbstractCoreVersionString;

}  // namespace qor
