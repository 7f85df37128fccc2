// Errors of the parcels' decoding (createFrom). The code says which rule the JSON broke; the user
// info names the member under "codingPath" (dotted, with [index] for array elements) and carries a
// description under NSLocalizedDescription.
#pragma once

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

KIV_EXPORT extern const char* const KivDecodingErrorDomain;

enum class KivDecodingError {
  typeMismatch = 0,   // the member has another JSON type
  valueNotFound = 1,  // the member is JSON null
  keyNotFound = 2,    // the member is missing
  dataCorrupted = 3,  // right type, value out of range (a fraction, a byte above 255, ...)
};

}  // namespace qor
