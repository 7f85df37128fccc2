#include "common/ui/QORCommonClasses.h"

#include <mutex>

#include "common/ui/QOREllipticButton.h"
#include "common/ui/QORFlatEllipticButton.h"
#include "common/ui/QORRoundButton.h"
#include "platform/ui/ClassRegistry.h"

namespace qor {

void registerQORCommonClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::ClassRegistry::registerClass<QOREllipticButton>("QOREllipticButton");
    platform::ClassRegistry::registerClass<QORFlatEllipticButton>("QORFlatEllipticButton");
    platform::ClassRegistry::registerClass<QORRoundButton>("QORRoundButton");
  });
}

}  // namespace qor
