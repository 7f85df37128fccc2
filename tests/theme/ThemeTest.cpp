#include <gtest/gtest.h>

#include "common/theme/QORTheme.h"
#include "platform/Base64.h"
#include "tests/theme/ImageFixtures.h"

using platform::Color;
using platform::Json;
using qor::QORTheme;

namespace {

Json serverTheme(Json logoData) {
  return Json{{qor::QORThemeLogoDataKey, std::move(logoData)},
              {qor::QORThemeScreenBackgroundColorKey, "#FF8000"},
              {qor::QORThemeActivityIndicatorColor, "#000010"},
              {"somethingElse", 5}};
}

TEST(Theme, TakesTheServersThemeAndKeepsItsTitle) {
  const std::string png = platform::base64Encode(qortest::pngHeader(120, 40));
  struct Case {
    const char* name;
    Json logoData;
    bool hasLogo;
  };
  const Case cases[] = {
      {"a PNG logo", png, true},
      {"a JPEG logo", platform::base64Encode(qortest::jpegHeader(8, 8)), true},
      {"a logo that is not an image", platform::base64Encode(platform::bytesFromString("hello")), false},
      {"a logo that is not Base64", "*not base64*", false},
      {"a logo that is a number", 12, false},
      {"a logo that is an object", Json{{"a", 1}}, false},
  };
  for (const auto& c : cases) {
    auto theme = QORTheme::create("Bank");
    theme->setResponseDictionary(serverTheme(c.logoData));
    EXPECT_EQ(theme->logo() != nullptr, c.hasLogo) << c.name;
    EXPECT_EQ(theme->title(), "Bank") << c.name;
    EXPECT_EQ(theme->dictonary(), serverTheme(c.logoData)) << c.name << ": kept whole, logoData included";
    EXPECT_EQ(theme->getColorForKey(qor::QORThemeScreenBackgroundColorKey),
              Color::colorWithRed(1.0, 128 / 255.0, 0.0, 1.0))
        << c.name;
    EXPECT_EQ(theme->getColorForKey(qor::QORThemeActivityIndicatorColor),
              Color::colorWithRed(0.0, 0.0, 16 / 255.0, 1.0))
        << c.name;
    EXPECT_EQ(theme->getColorForKey(qor::QORThemePinTitleTextColorKey), Color::clearColor()) << c.name;
  }
  auto theme = QORTheme::create("Bank");
  theme->setResponseDictionary(serverTheme(png));
  EXPECT_EQ(theme->logo()->size(), (platform::Size{120, 40}));
  // Without a "logoData" member a later answer clears the logo.
  theme->setResponseDictionary(Json{{qor::QORThemeTitleTextColorKey, "#010203"}});
  EXPECT_EQ(theme->logo(), nullptr);
  theme->setResponseDictionary(Json::array({"#FF0000"}));
  EXPECT_EQ(theme->dictonary(), std::nullopt) << "a theme that is not an object counts as missing";
  EXPECT_EQ(theme->getColorForKey(qor::QORThemeScreenBackgroundColorKey), std::nullopt);
}

TEST(Theme, WithoutColoursGivesNoColour) {
  auto theme = QORTheme::create("Only a title");
  EXPECT_EQ(theme->title(), "Only a title");
  EXPECT_EQ(theme->logo(), nullptr);
  EXPECT_EQ(theme->getColorForKey(qor::QORThemeScreenBackgroundColorKey), std::nullopt);
  EXPECT_EQ(QORTheme::create()->title(), std::nullopt);
}

TEST(Theme, ArchivingKeepsLogoTitleAndColours) {
  auto theme = QORTheme::create("Bank");
  theme->setResponseDictionary(serverTheme(platform::base64Encode(qortest::jpegHeader(64, 32))));
  Json archive;
  theme->encodeWithCoder(archive);
  EXPECT_TRUE(archive.contains(qor::QORThemeLogoKey));
  EXPECT_TRUE(archive.contains(qor::QORThemeTitleKey));
  EXPECT_TRUE(archive.contains(qor::QORThemeDictionaryKey));

  auto back = QORTheme::initWithCoder(archive);
  EXPECT_EQ(back->title(), "Bank");
  ASSERT_NE(back->logo(), nullptr);
  EXPECT_EQ(back->logo()->size(), (platform::Size{64, 32}));
  EXPECT_EQ(back->logo()->data(), theme->logo()->data());
  EXPECT_EQ(back->dictonary(), theme->dictonary());

  Json empty;
  QORTheme::create()->encodeWithCoder(empty);
  EXPECT_EQ(empty, Json::object()) << "nil properties are left out";

  // Members of the wrong type read as missing.
  auto odd = QORTheme::initWithCoder(Json{{"logo", 3}, {"title", Json::array()}, {"dictionary", "x"}});
  EXPECT_EQ(odd->logo(), nullptr);
  EXPECT_EQ(odd->title(), std::nullopt);
  EXPECT_EQ(odd->dictonary(), std::nullopt);
  EXPECT_EQ(QORTheme::initWithCoder(Json("not an archive"))->title(), std::nullopt);
}

}  // namespace
