#include "common/actions/QORClientActionConstants.h"

namespace qor {

const char* const QORClientActionPathEnrollment = "/vtn-service/rest/actions";
const char* const QORClientActionPathAuth = "/vtn-service/rest/actions";
const char* const QORClientActionPathDeviceInfo = "/vtn-service/rest/actions";
const char* const QORClientActionPathLinkTenant = "/gateway/app";

}  // namespace qor
