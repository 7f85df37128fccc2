#include "ui/pin/QORPinViewController.h"

#include "platform/Queue.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "ui/controls/internal/ThemeColours.h"

namespace qor {
namespace {

constexpr int64_t kLastSlot = 3;
constexpr platform::Duration kMaskingDelay = platform::seconds(0.25);

bool showsDigit(const std::shared_ptr<platform::Label>& slot) {
  const auto text = slot ? slot->text() : std::nullopt;
  return text && text->size() == 1 && (*text)[0] >= '0' && (*text)[0] <= '9';
}

bool isEmpty(const std::shared_ptr<platform::Label>& slot) {
  return slot && slot->text() == QORPinViewController::kEmptySlot;
}

void mask(const std::shared_ptr<platform::Label>& slot) {
  if (showsDigit(slot)) slot->setText(QORPinViewController::kMaskedSlot);
}

}  // namespace

std::string QORPinViewController::className() const { return kClassName; }

void QORPinViewController::viewDidLoad() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewDidLoad();
  uniqueTag_ = 0;
  setApplicationBecomeActiveObserver();
  setupTheme();
  auto self = std::static_pointer_cast<QORPinViewController>(shared_from_this());
  if (auto pad = keyboard()) pad->setDelegate(std::weak_ptr<QORKeyboardDelegate>(self));
}

std::shared_ptr<platform::Label> QORPinViewController::slot(int64_t index) const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return index >= 0 && size_t(index) < pinArray_.size() ? pinArray_[size_t(index)] : nullptr;
}

void QORPinViewController::valueButtonPressed(const std::string& value) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const int64_t k = uniqueTag_;
  if (!isEmpty(slot(k))) return;
  if (k >= 1) mask(slot(k - 1));
  slot(k)->setText(value);
  updatePinWithString(value);
  std::weak_ptr<QORPinViewController> weak = std::static_pointer_cast<QORPinViewController>(shared_from_this());
  platform::MainQueue::shared()->postAfterFor(kMaskingDelay, weak, [k](const auto& screen) { screen->hidePinLabelByKey(k); });
  if (k < kLastSlot) uniqueTag_ = k + 1;
}

void QORPinViewController::updatePinWithString(const std::string& digit) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  std::string text = pin();
  text.resize(std::min(text.size(), size_t(uniqueTag_)));
  setPin(text + digit);
}

void QORPinViewController::hidePinLabelByKey(int64_t key) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  mask(slot(key));
}

void QORPinViewController::removeAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isEmpty(slot(uniqueTag_)) && uniqueTag_ >= 1) --uniqueTag_;
  if (auto current = slot(uniqueTag_)) current->setText(kEmptySlot);
  std::string text = pin();
  if (text.size() > size_t(uniqueTag_)) {
    text.resize(size_t(uniqueTag_));
    setPin(std::move(text));
  }
}

void QORPinViewController::confirmAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto delegate = delegate_.lock()) delegate->authComplete(pin());
  endInput();
}

void QORPinViewController::cancelAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto delegate = delegate_.lock()) delegate->authCancelWithTimeoutError(false);
  endInput();
}

void QORPinViewController::endInput() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto view = viewIfLoaded()) view->setUserInteractionEnabled(false);
  removeApplicationBecomeActiveObserver();
}

void QORPinViewController::forceClose() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  endInput();
  if (auto presenter = presentingViewController()) presenter->dismissViewControllerAnimated(false);
}

void QORPinViewController::setDataHidden(bool hidden) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  for (const auto& s : pinArray_) s->setHidden(hidden);
}

void QORPinViewController::becomeActive(const platform::Notification&) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  setDataHidden(false);
}

void QORPinViewController::setApplicationBecomeActiveObserver() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // The centre holds the screen weakly.
  platform::NotificationCenter::defaultCenter()->addObserver(
      std::static_pointer_cast<QORPinViewController>(shared_from_this()),
      platform::ApplicationDidBecomeActiveNotification, &QORPinViewController::becomeActive);
}

void QORPinViewController::removeApplicationBecomeActiveObserver() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::NotificationCenter::defaultCenter()->removeObserver(static_cast<const void*>(this),
                                                                platform::ApplicationDidBecomeActiveNotification);
}

void QORPinViewController::setupTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto card = authInfo()) card->setupWithTheme(theme_, authData());
  if (!theme_) return;
  if (auto label = titleLabel()) label->setTextColor(theme_->getColorForKey(QORThemePinTitleTextColorKey));
  setupPinLabelsTheme();
  setupRemoveButtonTheme();
  if (auto pad = keyboard()) pad->setupWithTheme(theme_);
  setupCancelButtonTheme();
  setupConfirmButtonColor();
  view()->setBackgroundColor(theme_->getColorForKey(QORThemeScreenBackgroundColorKey));
}

void QORPinViewController::setupPinLabelsTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!theme_) return;
  for (const auto& s : pinArray_) s->setTextColor(theme_->getColorForKey(QORThemePinValueTextColorKey));
}

void QORPinViewController::setupRemoveButtonTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  internal::applyButtonColours(removeButton(), theme_, QORThemePinRemoveButtonTextColorKey);
}

void QORPinViewController::setupCancelButtonTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // Its background stays as laid out.
  internal::applyButtonColours(cancelButton(), theme_, QORThemeCancelButtonTextColorKey);
}

void QORPinViewController::setupConfirmButtonColor() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  internal::applyButtonColours(confirmButton(), theme_, QORThemeConfirmButtonTextColorKey,
                               QORThemeConfirmButtonBackgroundColorKey);
}

bool QORPinViewController::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return bindOutlet(name, object, "titleLabel", titleLabel_) || bindOutlet(name, object, "pinArray", pinArray_) ||
         bindOutlet(name, object, "removeButton", removeButton_) || bindOutlet(name, object, "keyboard", keyboard_) ||
         bindOutlet(name, object, "authInfo", authInfo_) || bindOutlet(name, object, "cancelButton", cancelButton_) ||
         bindOutlet(name, object, "confirmButton", confirmButton_) ||
         bindOutlet(name, object, "timerLabel", timerLabel_) || platform::ViewController::setOutlet(name, object);
}

platform::ActionHandler QORPinViewController::actionNamed(std::string_view name) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (name == "removeAction") return [this](platform::Control*) { removeAction(); };
  if (name == "cancelAction") return [this](platform::Control*) { cancelAction(); };
  if (name == "confirmAction") return [this](platform::Control*) { confirmAction(); };
  return platform::ViewController::actionNamed(name);
}

}  // namespace qor
