#include "common/theme/QORTheme.h"

#include "common/request/DictionaryQOR.h"
#include "platform/Base64.h"

namespace qor {
namespace {

std::shared_ptr<platform::Image> imageFromBase64(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  auto bytes = platform::base64Decode(*text);
  return bytes ? platform::Image::imageWithData(*bytes) : nullptr;
}

}  // namespace

std::shared_ptr<QORTheme> QORTheme::create(std::optional<std::string> title) {
  auto theme = std::shared_ptr<QORTheme>(new QORTheme);
  theme->title_ = std::move(title);
  return theme;
}

std::shared_ptr<QORTheme> QORTheme::initWithCoder(const platform::Json& coder) {
  auto theme = create(platform::stringMember(coder, QORThemeTitleKey));
  theme->logo_ = imageFromBase64(platform::stringMember(coder, QORThemeLogoKey));
  if (const auto* d = platform::member(coder, QORThemeDictionaryKey); d && d->is_object()) theme->dictonary_ = *d;
  return theme;
}

void QORTheme::encodeWithCoder(platform::Json& coder) const {
  if (!coder.is_object()) coder = platform::Json::object();
  std::lock_guard lock(mutex_);
  if (logo_) coder[QORThemeLogoKey] = platform::base64Encode(logo_->data());
  if (title_) coder[QORThemeTitleKey] = *title_;
  if (dictonary_) coder[QORThemeDictionaryKey] = *dictonary_;
}

std::shared_ptr<platform::Image> QORTheme::logo() const {
  std::lock_guard lock(mutex_);
  return logo_;
}

void QORTheme::setLogo(std::shared_ptr<platform::Image> logo) {
  std::lock_guard lock(mutex_);
  logo_ = std::move(logo);
}

std::optional<std::string> QORTheme::title() const {
  std::lock_guard lock(mutex_);
  return title_;
}

void QORTheme::setTitle(std::optional<std::string> title) {
  std::lock_guard lock(mutex_);
  title_ = std::move(title);
}

std::optional<platform::Json> QORTheme::dictonary() const {
  std::lock_guard lock(mutex_);
  return dictonary_;
}

void QORTheme::setDictonary(std::optional<platform::Json> dictionary) {
  std::lock_guard lock(mutex_);
  dictonary_ = std::move(dictionary);
}

void QORTheme::setResponseDictionary(const platform::Json& dictionary) {
  auto logo = imageFromBase64(platform::stringMember(dictionary, QORThemeLogoDataKey));
  std::lock_guard lock(mutex_);
  logo_ = std::move(logo);
  dictonary_ = dictionary.is_object() ? std::optional<platform::Json>(dictionary) : std::nullopt;
}

std::optional<platform::Color> QORTheme::getColorForKey(const std::string& key) const {
  auto dictionary = dictonary();
  if (!dictionary) return std::nullopt;
  return colorValueForKey(*dictionary, key);
}

}  // namespace qor
