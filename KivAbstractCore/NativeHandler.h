// The module's calls back into the system. The module finds its handler as the `nativeHandler` of
// the KivData it was given, and calls it on the main queue; an implementation keeps no lock of its own.
#pragma once

#include <memory>
#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "platform/Json.h"

namespace qor {

class DeclinedTransactionData;

class KIV_EXPORT NativeHandler {
 public:
  virtual ~NativeHandler() = default;

  virtual void waterMarkScreenWithBitmap(const platform::Json& bitmap) = 0;
  // `data` is the user's answer value, as the module's channel delivers it (usually a text).
  virtual void approveTransactionWithData(const platform::Json& data) = 0;
  virtual void declineTransaction() = 0;
  virtual void onScreenReady() = 0;
  virtual void detectOverlay() = 0;
  virtual void onBackButtonPressed() = 0;
  virtual void invalidMethodCallWithMethodName(const std::string& methodName) = 0;
  virtual void declineTransactionWithData(std::shared_ptr<DeclinedTransactionData> data) = 0;
};

}  // namespace qor
