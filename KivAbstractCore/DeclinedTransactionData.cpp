#include "KivAbstractCore/DeclinedTransactionData.h"

namespace qor {

std::shared_ptr<DeclinedTransactionData> DeclinedTransactionData::create(bool didUserForgetPin) {
  return std::shared_ptr<DeclinedTransactionData>(new DeclinedTransactionData(didUserForgetPin));
}

}  // namespace qor
