#include "KivAbstractCore/KivData.h"

namespace qor {

std::shared_ptr<KivData> KivData::create(std::shared_ptr<NativeHandler> nativeHandler,
                                         std::shared_ptr<platform::ViewController> controller) {
  return std::shared_ptr<KivData>(new KivData(std::move(nativeHandler), std::move(controller)));
}

}  // namespace qor
