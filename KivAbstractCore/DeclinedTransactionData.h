// What the module passes back with declineTransactionWithData: whether the user declined because
// the PIN is forgotten. Only the module creates one.
//
// Holds no lock; the module hands it over on the main queue.
#pragma once

#include <memory>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT DeclinedTransactionData {
 public:
  static std::shared_ptr<DeclinedTransactionData> create(bool didUserForgetPin);

  bool didUserForgetPin() const { return didUserForgetPin_; }
  void setDidUserForgetPin(bool didUserForgetPin) { didUserForgetPin_ = didUserForgetPin; }

 private:
  explicit DeclinedTransactionData(bool didUserForgetPin) : didUserForgetPin_(didUserForgetPin) {}

  bool didUserForgetPin_;
};

}  // namespace qor
