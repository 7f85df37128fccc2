// The cross-platform UI module, as the host app supplies it and the system drives it.
//
// The system calls `prepareWithFlutterEngineDependency(dependency, fontConfig)` on the host app's
// thread whenever a module is handed in; during an authorization it calls `attachViewWithKivData`,
// then (after the handler's onScreenReady) `buildUIWithParcel`, the progress calls while an approval
// is handled and `hideUI` at the end, on the main queue or on the thread of the module's own call.
#pragma once

#include <memory>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class CustomFontConfig;
class FlutterEngineDependency;
class KivData;
class Parcel;

class KIV_EXPORT KivApi {
 public:
  virtual ~KivApi() = default;

  virtual void displayUIWithParcel(std::shared_ptr<Parcel> parcel) = 0;
  virtual void buildUIWithParcel(std::shared_ptr<Parcel> parcel) = 0;
  virtual void attachViewWithKivData(std::shared_ptr<KivData> kivData) = 0;
  virtual void prepareWithFlutterEngineDependency(std::shared_ptr<FlutterEngineDependency> dependency) = 0;
  virtual void prepareWithFlutterEngineDependency(std::shared_ptr<FlutterEngineDependency> dependency,
                                                  std::shared_ptr<CustomFontConfig> customFontConfig) = 0;
  virtual void hideUI() = 0;
  virtual void showTransactionApprovedScreen() = 0;
  virtual void showTransactionDeclinedScreen() = 0;
  virtual void showProgressScreen() = 0;
  virtual void hideProgressScreen() = 0;
  virtual bool isKivReady() = 0;
};

}  // namespace qor
