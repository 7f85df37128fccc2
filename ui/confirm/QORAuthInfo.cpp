#include "ui/confirm/QORAuthInfo.h"

#include "platform/ui/View.h"

namespace qor {
namespace {

constexpr platform::Rect kLogoBox = platform::Rect::make(0, 0, 200, 44);

void showText(const std::shared_ptr<platform::Label>& label, const QORAuthData::Text& text) {
  if (label) label->setAttributedText(text.value_or(platform::AttributedString()));
}

}  // namespace

std::string QORAuthInfo::className() const { return "QORAuthInfo"; }

void QORAuthInfo::initWithCoder(const platform::Coder& coder) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  QORXIBControl::initWithCoder(coder);
  layer().masksToBounds = false;
  layer().cornerRadius = 10;
  if (contentView_) {
    contentView_->layer().masksToBounds = false;
    contentView_->layer().cornerRadius = 10;
  }
  layer().shadowColor = platform::Color::colorWithRed(0, 0, 0, 1);
  layer().shadowOffset = platform::Size{0, 5};
  layer().shadowRadius = 5;
  layer().shadowOpacity = 0.3;
}

void QORAuthInfo::setupWithTheme(const std::shared_ptr<QORTheme>& theme, const std::shared_ptr<QORAuthData>& authData) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  setupHeaderLabel(authData);
  setupMessageLabel(authData);
  if (!theme) return;
  if (auto label = fromTitleLabel()) label->setTextColor(theme->getColorForKey(QORThemeInfoSectionTitleColorKey));
  if (auto label = fromValueLabel()) {
    label->setTextColor(theme->getColorForKey(QORThemeInfoSectionValueColorKey));
    label->setText(theme->title());
  }
  if (auto label = messageLabel()) label->setTextColor(theme->getColorForKey(QORThemeMessageTextColorKey));
  const auto background = theme->getColorForKey(QORThemeAuthInfoBackgroundColorKey);
  if (contentView_) contentView_->setBackgroundColor(background);
  if (auto filler = emptySpaceView()) filler->setBackgroundColor(background);
  if (auto logo = theme->logo()) setupLogo(logo);
}

void QORAuthInfo::setupHeaderLabel(const std::shared_ptr<QORAuthData>& authData) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  showText(headerLabel(), authData ? authData->confirmActionHeaderText() : std::nullopt);
}

void QORAuthInfo::setupMessageLabel(const std::shared_ptr<QORAuthData>& authData) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  showText(messageLabel(), authData ? authData->description() : std::nullopt);
}

std::optional<platform::Size> QORAuthInfo::fittedLogoSize(platform::Size imageSize) {
  if (!(imageSize.width > 0) || !(imageSize.height > 0)) return std::nullopt;
  return platform::makeRectWithAspectRatioInsideRect(imageSize, kLogoBox).size;
}

void QORAuthInfo::setupLogo(const std::shared_ptr<platform::Image>& logo) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto view = logoImage();
  const auto size = fittedLogoSize(logo->size());
  if (!view || !size) return;
  view->setHidden(false);
  view->setImage(logo);
  view->setFrame(platform::Rect{platform::Point{}, *size});
  platform::LayoutConstraint::activateConstraints(
      {platform::LayoutConstraint::create(view, platform::LayoutAttribute::width, size->width),
       platform::LayoutConstraint::create(view, platform::LayoutAttribute::height, size->height)});
  view->setContentMode(platform::ContentMode::scaleAspectFit);
}

bool QORAuthInfo::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return bindOutlet(name, object, "contentView", contentView_) || bindOutlet(name, object, "logoImage", logoImage_) ||
         bindOutlet(name, object, "fromTitleLabel", fromTitleLabel_) ||
         bindOutlet(name, object, "fromValueLabel", fromValueLabel_) ||
         bindOutlet(name, object, "messageLabel", messageLabel_) ||
         bindOutlet(name, object, "headerLabel", headerLabel_) ||
         bindOutlet(name, object, "emptySpaceView", emptySpaceView_) || QORXIBControl::setOutlet(name, object);
}

}  // namespace qor
