// What the module receives in attachViewWithKivData: the handler it reports back to and the view
// controller it presents over. Both are held strongly, so the handler and the controller live as long
// as the module keeps the KivData.
//
// Holds no lock; the system makes it on the main queue and hands it over at once.
#pragma once

#include <memory>

#include "KivAbstractCore/AbstractKivData.h"
#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "KivAbstractCore/NativeHandler.h"
#include "platform/ui/ViewController.h"

namespace qor {

class KIV_EXPORT KivData final : public AbstractKivData {
 public:
  static std::shared_ptr<KivData> create(std::shared_ptr<NativeHandler> nativeHandler,
                                         std::shared_ptr<platform::ViewController> controller);

  const std::shared_ptr<NativeHandler>& nativeHandler() const { return nativeHandler_; }
  void setNativeHandler(std::shared_ptr<NativeHandler> nativeHandler) { nativeHandler_ = std::move(nativeHandler); }
  const std::shared_ptr<platform::ViewController>& controller() const { return controller_; }
  void setController(std::shared_ptr<platform::ViewController> controller) { controller_ = std::move(controller); }

 private:
  KivData(std::shared_ptr<NativeHandler> nativeHandler, std::shared_ptr<platform::ViewController> controller)
      : nativeHandler_(std::move(nativeHandler)), controller_(std::move(controller)) {}

  std::shared_ptr<NativeHandler> nativeHandler_;
  std::shared_ptr<platform::ViewController> controller_;
};

}  // namespace qor
