#include "common/actions/QORErrorParser.h"

namespace qor {

QORStatus QORErrorParser::parseErrorCode(int64_t errorCode) const {
  switch (errorCode) {
    case 17: return QORStatusInternalCommonError;
    case -9: return QORStatusNoInternetConnection;
    case -1: return QORStatusHasActiveSession;
    default: return QORStatusUndefined;
  }
}

}  // namespace qor
