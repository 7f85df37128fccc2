// Base of the stand-in's view controllers: the screen that a module or a screen of the system
// presents over. Code that asks which kind of controller is on top reads its runtime class name.
#pragma once

#include <string>

namespace platform {

class ViewController {
 public:
  virtual ~ViewController();
  // The runtime class name ("UIViewController" for the base); subclasses give their own.
  virtual std::string className() const;
};

}  // namespace platform
