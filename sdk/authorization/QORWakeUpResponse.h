// The wake-up answer: its code block carries the seed of the next nonce and the storage keys.
#pragma once

#include <memory>

#include "sdk/codeblocks/QorCodeBlockResponse.h"
#include "sdk/codeblocks/WakeUpActionCodeBlock.h"

namespace qor {

class QORWakeUpResponse : public QorCodeBlockResponseWith<WakeUpActionCodeBlock> {
 public:
  static std::shared_ptr<QORWakeUpResponse> create() {
    return std::shared_ptr<QORWakeUpResponse>(new QORWakeUpResponse());
  }

 protected:
  QORWakeUpResponse() = default;
};

}  // namespace qor
