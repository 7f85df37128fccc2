// The two texts of the enrollment screen, from the resource provider's enrollment texts. Properties
// are read and written whole under a lock.
#pragma once

#include <memory>
#include <optional>

#include "platform/ui/AttributedString.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/data/QORAtomicValue.h"

namespace qor {

class QOR_UI_EXPORT QOREnrollmentInitData {
 public:
  using Text = std::optional<platform::AttributedString>;

  static std::shared_ptr<QOREnrollmentInitData> initWithTitle(Text title, Text description);

  Text bindingDeviceTitle() const { return bindingDeviceTitle_.load(); }
  void setBindingDeviceTitle(Text text) { bindingDeviceTitle_.store(std::move(text)); }
  Text bindingDeviceDescription() const { return bindingDeviceDescription_.load(); }
  void setBindingDeviceDescription(Text text) { bindingDeviceDescription_.store(std::move(text)); }

 private:
  QOREnrollmentInitData() = default;

  QORAtomicValue<Text> bindingDeviceTitle_;
  QORAtomicValue<Text> bindingDeviceDescription_;
};

}  // namespace qor
