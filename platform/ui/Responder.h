// Base of everything a layout can make: views and view controllers. It carries the runtime class
// name, the steps of being made from a layout (initWithCoder, awakeFromNib), and the three ways a
// layout reaches into an object by name: properties (setValueForKey), outlets (setOutlet) and
// actions (actionNamed). A subclass answers for its own names and hands the rest to its base:
//
//   bool setOutlet(std::string_view name, const std::shared_ptr<Responder>& object) override {
//     return bindOutlet(name, object, "titleLabel", titleLabel_) || ViewController::setOutlet(name, object);
//   }
//   ActionHandler actionNamed(std::string_view name) override {
//     if (name == "confirmAction") return [this](Control*) { confirmAction(); };
//     return ViewController::actionNamed(name);
//   }
//
// An action handler is looked up each time its control fires, on an object that is alive for the
// call, so it may capture `this`. Main queue only, like every object of the screen stand-in.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Json.h"
#include "platform/QORPlatformExport.h"

namespace platform {

class Coder;
class Control;

using ActionHandler = std::function<void(Control* sender)>;

class QOR_PLATFORM_EXPORT Responder : public std::enable_shared_from_this<Responder> {
 public:
  virtual ~Responder();

  // The runtime class name, by which layouts name classes and callers test kinds.
  virtual std::string className() const;

  // Made from a layout: the base applies the node's properties in order through setValueForKey
  // (views then decode their subviews). An override calls its base first, then adds its own steps.
  virtual void initWithCoder(const Coder& coder);
  // After every object of the layout is made and every outlet and action is connected.
  virtual void awakeFromNib() {}

  // A layout property; false when the object has no property of that name or cannot take the value.
  virtual bool setValueForKey(std::string_view key, const Json& value);
  // Connects an outlet; false when there is no outlet of that name taking such an object.
  virtual bool setOutlet(std::string_view name, const std::shared_ptr<Responder>& object);
  // The handler of a named action; empty when the object has no such action.
  virtual ActionHandler actionNamed(std::string_view name);

 protected:
  // Outlet helpers: true when `name` is `key` and `object` is a T. A collection appends.
  template <class T>
  static bool bindOutlet(std::string_view name, const std::shared_ptr<Responder>& object, std::string_view key,
                         std::weak_ptr<T>& slot) {
    auto typed = name == key ? std::dynamic_pointer_cast<T>(object) : nullptr;
    if (typed) slot = typed;
    return typed != nullptr;
  }
  template <class T>
  static bool bindOutlet(std::string_view name, const std::shared_ptr<Responder>& object, std::string_view key,
                         std::shared_ptr<T>& slot) {
    auto typed = name == key ? std::dynamic_pointer_cast<T>(object) : nullptr;
    if (typed) slot = typed;
    return typed != nullptr;
  }
  template <class T>
  static bool bindOutlet(std::string_view name, const std::shared_ptr<Responder>& object, std::string_view key,
                         std::vector<std::shared_ptr<T>>& collection) {
    auto typed = name == key ? std::dynamic_pointer_cast<T>(object) : nullptr;
    if (typed) collection.push_back(typed);
    return typed != nullptr;
  }
};

}  // namespace platform
