// Version of the QORCommon library, as built.
#pragma once

namespace qor {

extern const double QORCommonVersionNumber;
extern const char* const QORCommonVersionString;

}  // namespace qor
