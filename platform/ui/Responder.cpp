#include "platform/ui/Responder.h"

#include "platform/SystemLog.h"
#include "platform/ui/Coder.h"

namespace platform {

Responder::~Responder() = default;

std::string Responder::className() const { return "UIResponder"; }

void Responder::initWithCoder(const Coder& coder) {
  // The platform raises for an unknown key; a layout that names one is a packaging fault, which is
  // logged and otherwise left alone.
  for (const auto& [key, value] : coder.node().properties()) {
    if (!setValueForKey(key, value)) {
      systemLog("Layout " + coder.layoutName() + ": " + className() + " takes no property \"" + key +
                "\" with the value " + value.dump());
    }
  }
}

bool Responder::setValueForKey(std::string_view, const Json&) { return false; }

bool Responder::setOutlet(std::string_view, const std::shared_ptr<Responder>&) { return false; }

ActionHandler Responder::actionNamed(std::string_view) { return {}; }

}  // namespace platform
