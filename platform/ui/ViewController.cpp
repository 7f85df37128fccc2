#include "platform/ui/ViewController.h"

namespace platform {

ViewController::~ViewController() = default;

std::string ViewController::className() const { return "UIViewController"; }

}  // namespace platform
