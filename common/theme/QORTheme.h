// The look a service provider wants for its authorizations: a logo, a title and a dictionary of
// colours under the keys of QORThemeKeys.h (each "#RRGGBB"; other members may be there too, since
// the server's theme object is kept whole).
//
// Properties are atomic: any thread may read or set them.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "common/theme/QORThemeKeys.h"
#include "platform/Json.h"
#include "platform/ui/Color.h"
#include "platform/ui/Image.h"

namespace qor {

class QOR_COMMON_EXPORT QORTheme {
 public:
  static std::shared_ptr<QORTheme> create(std::optional<std::string> title = std::nullopt);
  // Reads the archive form: a JSON object with "logo" (Base64 of the image file), "title" and
  // "dictionary". Members that are missing or of another type leave their property nil.
  static std::shared_ptr<QORTheme> initWithCoder(const platform::Json& coder);
  // Writes the archive form into `coder` (made an object when it is not one); nil properties are
  // left out.
  void encodeWithCoder(platform::Json& coder) const;

  std::shared_ptr<platform::Image> logo() const;
  void setLogo(std::shared_ptr<platform::Image> logo);
  std::optional<std::string> title() const;
  void setTitle(std::optional<std::string> title);
  std::optional<platform::Json> dictonary() const;
  void setDictonary(std::optional<platform::Json> dictionary);

  // Takes the theme object the server sends: the logo from its "logoData" (Base64 of an image
  // file; nil when that is missing, not text or not an image) and the whole object as the colour
  // dictionary. The title stays. A value that is not an object clears logo and dictionary.
  void setResponseDictionary(const platform::Json& dictionary);
  // colorValueForKey of the dictionary; nullopt when there is no dictionary.
  std::optional<platform::Color> getColorForKey(const std::string& key) const;

 private:
  QORTheme() = default;

  mutable std::mutex mutex_;
  std::shared_ptr<platform::Image> logo_;
  std::optional<std::string> title_;
  std::optional<platform::Json> dictonary_;
};

}  // namespace qor
