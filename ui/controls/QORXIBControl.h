// Base of the nib-backed views (the keypad and the transaction card). Made from a layout or in code,
// it loads the nib named after its runtime class from the bundle that holds that class, as the
// nib's owner, and fills itself with the view that fetchContentView gives. A subclass therefore
// looks for a nib of its own name. Without such a nib the view stays empty (logged).
//
// Main queue only (checked in Debug builds).
#pragma once

#include <memory>

#include "platform/ui/Control.h"
#include "platform/ui/Geometry.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QORXIBControl : public platform::Control {
 public:
  // Made in code: a new T with the frame, filled from its nib.
  template <class T>
  static std::shared_ptr<T> createWithFrame(const platform::Rect& frame) {
    auto control = std::make_shared<T>();
    control->initWithFrame(frame);
    return control;
  }

  void initWithCoder(const platform::Coder& coder) override;
  // The frame, then the nib; the object must already be owned by a shared_ptr.
  virtual void initWithFrame(const platform::Rect& frame);

  // The view the nib gave this object; none in the base.
  virtual std::shared_ptr<platform::View> fetchContentView() const { return nullptr; }

 protected:
  void defaultInit();

 protected:
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
