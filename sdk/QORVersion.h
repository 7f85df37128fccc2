// Version of the QOR library, as built.
#pragma once

namespace qor {

extern const double QORVersionNumber;
extern const char* const QORVersionString;

}  // namespace qor
