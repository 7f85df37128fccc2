// Version of the KivAbstractCore library, as built.
#pragma once

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

KIV_EXPORT extern const double KivAbstractCoreVersionNumber;
KIV_EXPORT extern const char* const KivAbstractCoreVersionString;

}  // namespace qor
