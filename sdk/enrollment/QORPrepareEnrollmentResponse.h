// The prepare-enrollment answer: its code block carries the nonce seed, the server's answer key and
// the initial storage key.
#pragma once

#include <memory>

#include "sdk/codeblocks/EnrollmentActionCodeBlock.h"
#include "sdk/codeblocks/QorCodeBlockResponse.h"

namespace qor {

class QORPrepareEnrollmentResponse : public QorCodeBlockResponseWith<EnrollmentActionCodeBlock> {
 public:
  static std::shared_ptr<QORPrepareEnrollmentResponse> create() {
    return std::shared_ptr<QORPrepareEnrollmentResponse>(new QORPrepareEnrollmentResponse());
  }

 protected:
  QORPrepareEnrollmentResponse() = default;
};

}  // namespace qor
