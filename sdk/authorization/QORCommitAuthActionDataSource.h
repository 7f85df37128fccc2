// What the commit reads from its controller: the agreed secret and the records of the session,
// which the commit sends.
#pragma once

#include "sdk/artifacts/QORArtifactDataSource.h"
#include "sdk/authorization/QORHandshakeStep2ActionDataSource.h"

namespace qor {

class QORCommitAuthActionDataSource : public virtual QORHandshakeStep2ActionDataSource,
                                      public virtual QORArtifactDataSource {};

}  // namespace qor
