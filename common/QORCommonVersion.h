// Version of the QORCommon library, as built.
#pragma once

#include "common/QORCommonExport.h"

namespace qor {

QOR_COMMON_EXPORT extern const double QORCommonVersionNumber;
QOR_COMMON_EXPORT extern const char* const QORCommonVersionString;

}  // namespace qor
