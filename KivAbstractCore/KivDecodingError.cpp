#include "KivAbstractCore/KivDecodingError.h"

namespace qor {

const char* const KivDecodingErrorDomain = "KivAbstractCore.DecodingError";

}  // namespace qor
