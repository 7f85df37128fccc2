// The prepare-authorization answer: its code block carries the transaction to show.
#pragma once

#include <memory>

#include "sdk/codeblocks/PrepareAuthActionCodeBlock.h"
#include "sdk/codeblocks/QorCodeBlockResponse.h"

namespace qor {

class QorPrepareAuthResponse : public QorCodeBlockResponseWith<PrepareAuthActionCodeBlock> {
 public:
  static std::shared_ptr<QorPrepareAuthResponse> create() {
    return std::shared_ptr<QorPrepareAuthResponse>(new QorPrepareAuthResponse());
  }

 protected:
  QorPrepareAuthResponse() = default;
};

}  // namespace qor
