// Version of the QOR library, as built.
#pragma once

#include "sdk/QORExport.h"

namespace qor {

QOR_EXPORT extern const double QORVersionNumber;
QOR_EXPORT extern const char* const QORVersionString;

}  // namespace qor
