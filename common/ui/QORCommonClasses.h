// Makes the classes of QORCommon that layouts can name ("QOREllipticButton", "QORFlatEllipticButton",
// "QORRoundButton") known to the class registry. Nothing registers at load: a library whose layouts
// name them calls this first (once is enough; later calls do nothing). QORCommon has no resource
// bundle of its own, so the classes belong to the main bundle.
#pragma once

#include "common/QORCommonExport.h"

namespace qor {

QOR_COMMON_EXPORT void registerQORCommonClasses();

}  // namespace qor
