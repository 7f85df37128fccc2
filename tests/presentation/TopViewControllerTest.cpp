#include <gtest/gtest.h>

#include <functional>

#include "platform/Clock.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "sdk/presentation/UIWindowTopViewController.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/data/QORAuthData.h"
#include "ui/pin/QORPinViewController.h"

using platform::HeadlessWindow;
using platform::NavigationController;
using platform::TabBarController;
using platform::ViewController;

namespace {

class Named : public ViewController {
 public:
  explicit Named(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

std::shared_ptr<ViewController> named(const std::string& name) { return std::make_shared<Named>(name); }

std::shared_ptr<platform::AlertController> alert() {
  auto a = platform::AlertController::alertControllerWithTitle("Alert", std::nullopt, platform::AlertControllerStyle::alert);
  a->addAction(platform::AlertAction::actionWithTitle("OK", platform::AlertActionStyle::defaultStyle));
  return a;
}

std::shared_ptr<TabBarController> tabs(const std::vector<std::shared_ptr<ViewController>>& children, size_t selected = 0) {
  auto t = std::make_shared<TabBarController>();
  t->setViewControllers(children);
  t->setSelectedIndex(selected);
  return t;
}

class TopViewController : public testing::Test {
 protected:
  // Presents `controller` from `presenter`, not animated, and lets it end.
  static void present(const HeadlessWindow& screen, const std::shared_ptr<ViewController>& presenter,
                      const std::shared_ptr<ViewController>& controller) {
    presenter->presentViewController(controller, false);
    ASSERT_TRUE(screen.settle());
  }

  platform::VirtualTime time_;
};

TEST_F(TopViewController, TheWalkGoesThroughPresentationsAndContainersToWhatIsShown) {
  struct Case {
    const char* name;
    // Builds the screen and answers the controller expected on top (nullptr for none).
    std::function<std::shared_ptr<ViewController>(std::unique_ptr<HeadlessWindow>&)> build;
    bool alertOnTop;
  };
  const Case cases[] = {
      {"a plain root", [](auto& screen) {
         auto root = named("Root");
         screen = std::make_unique<HeadlessWindow>(root);
         return root;
       }, false},
      {"a navigation root whose visible controller presents an alert", [](auto& screen) {
         auto inner = named("Inner");
         auto nav = NavigationController::create(named("First"));
         nav->pushViewController(inner, false);
         screen = std::make_unique<HeadlessWindow>(nav);
         auto a = alert();
         present(*screen, inner, a);
         return std::static_pointer_cast<ViewController>(a);
       }, true},
      {"tabs holding a navigation stack", [](auto& screen) {
         auto deep = named("Deep");
         auto nav = NavigationController::create(named("Top"));
         nav->pushViewController(deep, false);
         screen = std::make_unique<HeadlessWindow>(tabs({named("Other"), nav}, 1));
         return deep;
       }, false},
      {"a presented navigation stack over the root", [](auto& screen) {
         auto shown = named("Shown");
         screen = std::make_unique<HeadlessWindow>(named("Root"));
         present(*screen, screen->root(), NavigationController::create(shown));
         return shown;
       }, false},
      {"an empty navigation root shows nothing", [](auto& screen) {
         screen = std::make_unique<HeadlessWindow>(NavigationController::create());
         return std::shared_ptr<ViewController>();
       }, false},
      {"tabs without tabs show nothing", [](auto& screen) {
         screen = std::make_unique<HeadlessWindow>(tabs({}));
         return std::shared_ptr<ViewController>();
       }, false},
      {"an empty navigation stack inside tabs shows nothing", [](auto& screen) {
         screen = std::make_unique<HeadlessWindow>(tabs({NavigationController::create()}));
         return std::shared_ptr<ViewController>();
       }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<HeadlessWindow> screen;
    const auto expected = c.build(screen);
    EXPECT_EQ(qor::topViewController(), expected);
    EXPECT_EQ(qor::isAlertControllerActive(), c.alertOnTop);
    EXPECT_FALSE(qor::isQORViewControllerActive());
  }
  // Without a key window, or without a root.
  EXPECT_EQ(qor::topViewController(), nullptr);
  EXPECT_FALSE(qor::isAlertControllerActive());
  HeadlessWindow rootless;
  rootless.window()->setRootViewController(nullptr);
  EXPECT_EQ(qor::topViewController(), nullptr);
  EXPECT_FALSE(qor::isAlertControllerActive());
  EXPECT_FALSE(qor::isQORViewControllerActive());
}

TEST_F(TopViewController, OnlyTheThreeAuthorizationScreensOnTopCountAsActive) {
  auto data = qor::QORAuthData::create();
  const std::vector<std::pair<const char*, std::shared_ptr<ViewController>>> screens = {
      {"PIN", qor::QORPinViewController::controllerWithTheme(nullptr, nullptr, false, data)},
      {"biometric", qor::QORBiometricAuthViewController::controllerWithTheme(nullptr, nullptr, data)},
      {"confirm", qor::QORCommitAuthViewController::controllerWithTheme(nullptr, nullptr, data)},
  };
  for (const auto& [name, authScreen] : screens) {
    SCOPED_TRACE(name);
    ASSERT_NE(authScreen, nullptr);
    auto host = named("QORAuthViewController");
    HeadlessWindow screen(named("App"));
    present(screen, screen.root(), host);
    EXPECT_FALSE(qor::isQORViewControllerActive()) << "the host itself";
    present(screen, host, authScreen);
    EXPECT_TRUE(qor::isQORViewControllerActive());
    auto a = alert();
    present(screen, authScreen, a);
    EXPECT_FALSE(qor::isQORViewControllerActive()) << "an alert over it";
    EXPECT_TRUE(qor::isAlertControllerActive());
  }
}

}  // namespace
