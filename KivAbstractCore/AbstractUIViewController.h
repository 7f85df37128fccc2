// The module's own screen controller, one operation per CrossPlatformUIReceivers case. Offered for
// the module's structure; nothing in the system adopts or calls it.
#pragma once

#include <memory>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class Parcel;

class KIV_EXPORT AbstractUIViewController {
 public:
  virtual ~AbstractUIViewController() = default;

  virtual void displayUI(std::shared_ptr<Parcel> parcel) = 0;
  virtual void buildUI(std::shared_ptr<Parcel> parcel) = 0;
  virtual void createPrivateChannel(std::shared_ptr<Parcel> parcel) = 0;
  virtual void hideUI() = 0;
  virtual void showTransactionApprovedScreen() = 0;
  virtual void showTransactionDeclinedScreen() = 0;
  virtual void showProgressScreen() = 0;
  virtual void hideProgressScreen() = 0;
  virtual void loadCustomFont(std::shared_ptr<Parcel> parcel) = 0;
};

}  // namespace qor
