#include "sdk/QORVersion.h"

namespace qor {

const double QORVersionNumber = 1.0;
const char* const QORVersionString = "@(#)PROGRAM:QOR  PROJECT:QOR-1\n";

}  // namespace qor
