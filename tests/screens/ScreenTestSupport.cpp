#include "tests/screens/ScreenTestSupport.h"

#include <cstdio>

#include "common/theme/QORThemeKeys.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"

namespace qortest {

std::string hexColor(size_t index) {
  const platform::Color c = themeColor(index);
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(c.red * 255 + 0.5), unsigned(c.green * 255 + 0.5),
                unsigned(c.blue * 255 + 0.5));
  return text;
}

const std::vector<const char*>& allThemeColorKeys() {
  static const std::vector<const char*> keys = {
      qor::QORThemeScreenBackgroundColorKey,        qor::QORThemeTransactionTypeTextColorKey,
      qor::QORThemeInfoSectionTitleColorKey,        qor::QORThemeInfoSectionValueColorKey,
      qor::QORThemeMessageTextColorKey,             qor::QORThemeAuthInfoBackgroundColorKey,
      qor::QORThemeConfirmButtonBackgroundColorKey, qor::QORThemeConfirmButtonTextColorKey,
      qor::QORThemeCancelButtonBackgroundColorKey,  qor::QORThemeCancelButtonTextColorKey,
      qor::QORThemePinTitleTextColorKey,            qor::QORThemePinValueTextColorKey,
      qor::QORThemePinNumberButtonTextColorKey,     qor::QORThemePinNumberButtonBackgroundColorKey,
      qor::QORThemePinRemoveButtonTextColorKey,
  };
  return keys;
}

std::shared_ptr<qor::QORTheme> themeWithColors(const std::vector<const char*>& keys) {
  auto theme = qor::QORTheme::create("Acme Bank");
  platform::Json dictionary = platform::Json::object();
  for (size_t i = 0; i < keys.size(); ++i) dictionary[keys[i]] = hexColor(i);
  theme->setDictonary(dictionary);
  return theme;
}

platform::Color colorOf(const char* key) {
  const auto& keys = allThemeColorKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (std::string(keys[i]) == key) {
      const auto hex = hexColor(i);
      auto component = [&](size_t at) { return std::stoi(hex.substr(at, 2), nullptr, 16) / 255.0; };
      return platform::Color::colorWithRed(component(1), component(3), component(5), 1);
    }
  }
  ADD_FAILURE() << "no colour for " << key;
  return {};
}

std::shared_ptr<qor::QORAuthData> sampleAuthData(const std::string& header, const std::string& message) {
  auto data = qor::QORAuthData::create();
  data->setConfirmActionHeaderText(platform::AttributedString(header));
  data->setDescription(platform::AttributedString(message));
  data->setBiometricAlertReasonText(platform::AttributedString("Approve the payment"));
  return data;
}

ScreenTest::ScreenTest() { platform::SimulatedBiometrics::reset(); }

ScreenTest::~ScreenTest() {
  platform::SimulatedBiometrics::reset();
  platform::MainQueue::shared()->clear();
}

void ScreenTest::present(const std::shared_ptr<platform::ViewController>& controller) {
  screen_.root()->presentViewController(controller, false);
  ASSERT_TRUE(screen_.settle());
  ASSERT_EQ(platform::topPresentedViewController(), controller);
}

void ScreenTest::drain() { platform::MainQueue::shared()->drain(); }

void ScreenTest::advance(double seconds) {
  platform::VirtualTime::advance(platform::seconds(seconds));
  drain();
}

}  // namespace qortest
