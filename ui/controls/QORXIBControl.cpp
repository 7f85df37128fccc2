#include "ui/controls/QORXIBControl.h"

#include "platform/SystemLog.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/Nib.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {

void QORXIBControl::initWithCoder(const platform::Coder& coder) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::Control::initWithCoder(coder);
  defaultInit();
}

void QORXIBControl::initWithFrame(const platform::Rect& frame) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  setFrame(frame);
  defaultInit();
}

void QORXIBControl::defaultInit() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // The library's classes must be known before the bundle that holds them is looked up.
  registerDefaultQorUiResources();
  const std::string name = className();
  auto nib = platform::Nib::nibWithName(name, platform::Bundle::bundleForClass(name));
  if (!nib || !nib->instantiateWithOwner(shared_from_this())) {
    platform::systemLog("No nib " + name + " for its view; it stays empty");
    return;
  }
  if (auto content = fetchContentView()) {
    addSubview(content);
    content->setFrame(bounds());
  }
}

}  // namespace qor
