// The transaction card that every authorization screen shows above its controls: a header line,
// the transaction message, the provider line (a caption and the provider's name, the theme's title)
// and the provider's logo, from the nib "QORAuthInfo".
//
// Made from a layout, the card gets rounded corners (10 points) and a soft shadow. A screen fills it
// once, when its view loads. A logo is fitted into 200 by 44 points keeping its aspect ratio; a logo
// with no width or no height counts as no logo.
//
// Main queue only (checked in Debug builds).
#pragma once

#include <memory>

#include "common/theme/QORTheme.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "ui/controls/QORXIBControl.h"
#include "ui/data/QORAuthData.h"

namespace qor {

class QORAuthInfo : public QORXIBControl {
 public:
  std::string className() const override;
  // The nib, then the card's look.
  void initWithCoder(const platform::Coder& coder) override;

  const std::shared_ptr<platform::View>& contentView() const { return contentView_; }
  std::shared_ptr<platform::ImageView> logoImage() const { return logoImage_.lock(); }
  std::shared_ptr<platform::Label> fromTitleLabel() const { return fromTitleLabel_.lock(); }
  std::shared_ptr<platform::Label> fromValueLabel() const { return fromValueLabel_.lock(); }
  std::shared_ptr<platform::Label> messageLabel() const { return messageLabel_.lock(); }
  std::shared_ptr<platform::Label> headerLabel() const { return headerLabel_.lock(); }
  std::shared_ptr<platform::View> emptySpaceView() const { return emptySpaceView_.lock(); }

  // The header and the message from the data; with a theme also the provider line, the colours and
  // the logo. The message takes the theme's message colour over its own; the header keeps its own.
  void setupWithTheme(const std::shared_ptr<QORTheme>& theme, const std::shared_ptr<QORAuthData>& authData);
  void setupHeaderLabel(const std::shared_ptr<QORAuthData>& authData);
  void setupMessageLabel(const std::shared_ptr<QORAuthData>& authData);

  // The size of a logo of `imageSize` fitted into 200 by 44 points; nullopt for a logo without
  // width or height.
  static std::optional<platform::Size> fittedLogoSize(platform::Size imageSize);

  std::shared_ptr<platform::View> fetchContentView() const override { return contentView_; }
  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;

 private:
  void setupLogo(const std::shared_ptr<platform::Image>& logo);

  std::shared_ptr<platform::View> contentView_;
  std::weak_ptr<platform::ImageView> logoImage_;
  std::weak_ptr<platform::Label> fromTitleLabel_;
  std::weak_ptr<platform::Label> fromValueLabel_;
  std::weak_ptr<platform::Label> messageLabel_;
  std::weak_ptr<platform::Label> headerLabel_;
  std::weak_ptr<platform::View> emptySpaceView_;
};

}  // namespace qor
