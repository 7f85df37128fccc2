#include <gtest/gtest.h>

#include <mutex>

#include "platform/AppInfo.h"
#include "platform/SystemLog.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/Button.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Label.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/ViewController.h"

using platform::Bundle;
using platform::Button;
using platform::ClassRegistry;
using platform::Label;
using platform::LayoutNode;
using platform::LayoutScene;
using platform::LogCapture;
using platform::Nib;
using platform::Storyboard;
using platform::View;

namespace {

constexpr const char* kBundle = "com.example.layout-tests";

// A view that fills itself from the nib named after its runtime class, with itself as the owner, as
// the system's nib-backed views do.
class CardView : public platform::Control {
 public:
  std::string className() const override { return "CardView"; }
  void initWithCoder(const platform::Coder& coder) override {
    Control::initWithCoder(coder);
    auto nib = Nib::nibWithName(className(), Bundle::bundleForClass(className()));
    if (nib && nib->instantiateWithOwner(shared_from_this()) && contentView) {
      contentView->setFrame(bounds());
      addSubview(contentView);
    }
  }
  bool setOutlet(std::string_view name, const std::shared_ptr<Responder>& object) override {
    return bindOutlet(name, object, "contentView", contentView) || bindOutlet(name, object, "headerLabel", headerLabel) ||
           Control::setOutlet(name, object);
  }
  platform::ActionHandler actionNamed(std::string_view name) override {
    if (name == "cardTapped") return [this](platform::Control*) { ++taps; };
    return Control::actionNamed(name);
  }

  std::shared_ptr<View> contentView;
  std::weak_ptr<Label> headerLabel;
  int taps = 0;
};

class CardController : public platform::ViewController {
 public:
  std::string className() const override { return "CardController"; }
  void viewDidLoad() override { ++loads; }
  void awakeFromNib() override { ++awakes; }
  bool setOutlet(std::string_view name, const std::shared_ptr<Responder>& object) override {
    return bindOutlet(name, object, "titleLabel", titleLabel) || bindOutlet(name, object, "slots", slots) ||
           bindOutlet(name, object, "card", card) || bindOutlet(name, object, "confirmButton", confirmButton) ||
           bindOutlet(name, object, "timerLabel", timerLabel) || ViewController::setOutlet(name, object);
  }
  platform::ActionHandler actionNamed(std::string_view name) override {
    if (name == "confirmAction") return [this](platform::Control* sender) { confirmedBy = sender; };
    return ViewController::actionNamed(name);
  }

  std::weak_ptr<Label> titleLabel;
  std::vector<std::shared_ptr<Label>> slots;
  std::weak_ptr<CardView> card;
  std::weak_ptr<Button> confirmButton;
  std::weak_ptr<Label> timerLabel;  // the layout has none
  platform::Control* confirmedBy = nullptr;
  int loads = 0;
  int awakes = 0;
};

LayoutNode slot(const char* text) { return LayoutNode("UILabel").outlet("slots").set("text", text); }

// The library's way: registered on first use, never at load.
void registerLayouts() {
  static std::once_flag once;
  std::call_once(once, [] {
    ClassRegistry::registerClass<CardController>("CardController", kBundle);
    ClassRegistry::registerClass<CardView>("CardView", kBundle);
    auto bundle = Bundle::create(kBundle);
    bundle->addStoryboard(
        "Main",
        {
            LayoutScene{"Card", LayoutNode("CardController")
                                    .set("title", "Card")
                                    .add(LayoutNode("UIView")
                                             .set("backgroundColor", "#102030")
                                             .add(LayoutNode("UILabel").outlet("titleLabel").set("text", "Hello").set("textColor", "#FF0000"))
                                             .add(slot("1"))
                                             .add(slot("2"))
                                             .add(slot("3"))
                                             .add(LayoutNode("CardView").outlet("card").set("frame", {0, 0, 300, 100}))
                                             .add(LayoutNode("UIButton")
                                                      .outlet("confirmButton")
                                                      .set("title", "Confirm")
                                                      .action("confirmAction"))
                                             .add(LayoutNode("UILabel").outlet("noSuchOutlet").set("bogus", 1))
                                             .add(LayoutNode("UIButton").set("title", "Other").action("noSuchAction")))},
            LayoutScene{"BrokenView",
                        LayoutNode("CardController").add(LayoutNode("UIView").add(LayoutNode("NoSuchView")))},
            LayoutScene{"UnknownClass", LayoutNode("NoSuchController")},
            LayoutScene{"NotAController", LayoutNode("UILabel")},
        });
    bundle->addNib("CardView", {LayoutNode("UIView")
                                    .outlet("contentView")
                                    .add(LayoutNode("UILabel").outlet("headerLabel").set("text", "Header"))
                                    .add(LayoutNode("UIButton").set("title", "Card").action("cardTapped"))});
    bundle->addNib("WithUnknownClass", {LayoutNode("UIView"), LayoutNode("NoSuchView")});
    bundle->addNib("TwoObjects", {LayoutNode("UILabel").set("text", "a"), LayoutNode("UIButton").set("title", "b")});
    Bundle::registerBundle(bundle);
  });
}

class Layouts : public testing::Test {
 protected:
  void SetUp() override { registerLayouts(); }
  std::shared_ptr<Storyboard> main() { return Storyboard::storyboardWithName("Main", Bundle::bundleWithIdentifier(kBundle)); }
};

TEST_F(Layouts, ASceneMakesItsControllerNowAndItsViewOnFirstUseWithOutletsAndActionsConnected) {
  LogCapture log;
  auto storyboard = main();
  ASSERT_NE(storyboard, nullptr);
  auto controller = std::dynamic_pointer_cast<CardController>(storyboard->instantiateViewControllerWithIdentifier("Card"));
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->title(), "Card");
  EXPECT_EQ(controller->storyboard(), storyboard);
  EXPECT_EQ(controller->awakes, 1);
  EXPECT_FALSE(controller->isViewLoaded());
  EXPECT_EQ(controller->titleLabel.lock(), nullptr);
  EXPECT_TRUE(log.messages().empty());

  auto view = controller->view();
  EXPECT_EQ(controller->view(), view);
  EXPECT_EQ(controller->loads, 1);
  EXPECT_EQ(view->backgroundColor(), platform::Color::colorWithRed(0x10 / 255.0, 0x20 / 255.0, 0x30 / 255.0, 1));
  ASSERT_NE(controller->titleLabel.lock(), nullptr);
  EXPECT_EQ(controller->titleLabel.lock()->text(), "Hello");
  // The colour came after the text, so it coloured it.
  EXPECT_EQ(controller->titleLabel.lock()->attributedText()->attributesAt(4).foregroundColor,
            platform::Color::colorWithRed(1, 0, 0, 1));
  ASSERT_EQ(controller->slots.size(), 3u);
  EXPECT_EQ(controller->slots[0]->text(), "1");
  EXPECT_EQ(controller->slots[2]->text(), "3");
  EXPECT_EQ(controller->timerLabel.lock(), nullptr);

  // The nested nib connected to the card, not to the controller.
  auto card = controller->card.lock();
  ASSERT_NE(card, nullptr);
  ASSERT_NE(card->headerLabel.lock(), nullptr);
  EXPECT_EQ(card->headerLabel.lock()->text(), "Header");
  EXPECT_EQ(card->contentView->superview(), card);
  EXPECT_EQ(card->contentView->frame(), platform::Rect::make(0, 0, 300, 100));

  platform::HeadlessWindow screen(controller);
  EXPECT_EQ(platform::tap(controller->confirmButton.lock()), platform::TapResult::delivered);
  EXPECT_EQ(controller->confirmedBy, controller->confirmButton.lock().get());
  EXPECT_EQ(platform::tap(platform::findButtonWithTitle(card, "Card")), platform::TapResult::delivered);
  EXPECT_EQ(card->taps, 1);
  EXPECT_EQ(platform::tap(platform::findButtonWithTitle(view, "Other")), platform::TapResult::delivered);

  const std::vector<std::string> expected = {
      "Layout Main: UILabel takes no property \"bogus\" with the value 1",
      "Layout Main: CardController has no outlet \"noSuchOutlet\" for a UILabel",
      "Layout Main: CardController has no action \"noSuchAction\"",
  };
  EXPECT_EQ(log.messages(), expected);
}

TEST_F(Layouts, EveryMissingResourceGivesNilAndNothingElse) {
  LogCapture log;
  auto bundle = Bundle::bundleWithIdentifier(kBundle);
  EXPECT_EQ(Bundle::bundleWithIdentifier("com.example.missing"), nullptr);
  EXPECT_EQ(Storyboard::storyboardWithName("Main", Bundle::bundleWithIdentifier("com.example.missing")), nullptr)
      << "no bundle means the main bundle, which has no such storyboard";
  EXPECT_EQ(Storyboard::storyboardWithName("Missing", bundle), nullptr);
  EXPECT_EQ(Storyboard::storyboardWithName("CardView", bundle), nullptr) << "a nib is no storyboard";
  EXPECT_EQ(Nib::nibWithName("Main", bundle), nullptr) << "a storyboard is no nib";
  EXPECT_EQ(Nib::nibWithName("Missing", bundle), nullptr);
  EXPECT_EQ(bundle->loadNibNamed("Missing", nullptr), std::nullopt);
  EXPECT_EQ(bundle->loadNibNamed("WithUnknownClass", nullptr), std::nullopt);
  for (const char* scene : {"Missing", "UnknownClass", "NotAController"}) {
    EXPECT_EQ(main()->instantiateViewControllerWithIdentifier(scene), nullptr) << scene;
  }

  // A view that cannot be made leaves an empty one, so the screen stays usable.
  auto broken = main()->instantiateViewControllerWithIdentifier("BrokenView");
  ASSERT_NE(broken, nullptr);
  ASSERT_NE(broken->view(), nullptr);
  EXPECT_TRUE(broken->view()->subviews().empty());

  const auto messages = log.messages();
  auto logged = [&](const std::string& text) {
    return std::any_of(messages.begin(), messages.end(), [&](const auto& m) { return m.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(logged("unknown class NoSuchView"));
  EXPECT_TRUE(logged("unknown class NoSuchController"));
  EXPECT_TRUE(logged("has no scene \"Missing\""));
  EXPECT_TRUE(logged("the scene \"NotAController\" gives no view controller"));
  EXPECT_TRUE(logged("the view of CardController could not be made"));
}

TEST_F(Layouts, BundlesAreFoundByIdentifierOrByTheClassesTheyHold) {
  auto bundle = Bundle::bundleWithIdentifier(kBundle);
  EXPECT_EQ(Bundle::bundleForClass("CardView"), bundle);
  EXPECT_EQ(Bundle::bundleForClass("UIButton"), Bundle::mainBundle());
  EXPECT_EQ(Bundle::bundleForClass("NeverRegistered"), Bundle::mainBundle());
  EXPECT_EQ(bundle->bundleIdentifier(), kBundle);

  auto objects = bundle->loadNibNamed("TwoObjects", nullptr);
  ASSERT_TRUE(objects.has_value());
  ASSERT_EQ(objects->size(), 2u);
  EXPECT_EQ((*objects)[0]->className(), "UILabel");
  EXPECT_EQ(std::dynamic_pointer_cast<Button>((*objects)[1])->currentTitle(), "b");

  platform::AppInfo::setValue("NSFaceIDUsageDescription", "Approve payments");
  platform::AppInfo::setValue("CFBundleIdentifier", "com.example.host");
  EXPECT_EQ(Bundle::mainBundle()->objectForInfoDictionaryKey("NSFaceIDUsageDescription"), "Approve payments");
  EXPECT_EQ(Bundle::mainBundle()->bundleIdentifier(), "com.example.host");
  EXPECT_EQ(bundle->objectForInfoDictionaryKey("NSFaceIDUsageDescription"), std::nullopt);
  platform::AppInfo::setValue("NSFaceIDUsageDescription", std::nullopt);
  platform::AppInfo::setValue("CFBundleIdentifier", std::nullopt);
}

std::shared_ptr<platform::Responder> loadOne(const LayoutNode& node) {
  auto bundle = Bundle::create("com.example.values");
  bundle->addNib("Values", {node});
  auto objects = bundle->loadNibNamed("Values", nullptr);
  return objects && objects->size() == 1 ? objects->front() : nullptr;
}

TEST(LayoutValues, PropertiesOfEachFormAreTakenOrRefused) {
  platform::Font::registerFont("Test-Bold", "Test", platform::FontWeight::bold);
  struct Case {
    const char* what;
    LayoutNode node;
    bool taken;
  };
  const Case cases[] = {
      {"colour with alpha", LayoutNode("UIView").set("backgroundColor", "#FF000080"), true},
      {"colour of five digits", LayoutNode("UIView").set("backgroundColor", "#FF000"), false},
      {"colour not hexadecimal", LayoutNode("UIView").set("backgroundColor", "#GG0000"), false},
      {"colour as a number", LayoutNode("UIView").set("backgroundColor", 255), false},
      {"frame of three numbers", LayoutNode("UIView").set("frame", {1, 2, 3}), false},
      {"frame with a text", LayoutNode("UIView").set("frame", {1, 2, 3, "4"}), false},
      {"registered font", LayoutNode("UILabel").set("font", {{"name", "Test-Bold"}, {"size", 12}}), true},
      {"missing font", LayoutNode("UILabel").set("font", {{"name", "Nope-Regular"}, {"size", 12}}), false},
      {"system font with weight", LayoutNode("UILabel").set("font", {{"system", 15}, {"weight", "medium"}}), true},
      {"system font of an unknown weight", LayoutNode("UILabel").set("font", {{"system", 15}, {"weight", "fat"}}), false},
      {"hidden as text", LayoutNode("UIView").set("hidden", "yes"), false},
      {"button title", LayoutNode("UIButton").set("title", "OK"), true},
      {"label's property on a view", LayoutNode("UIView").set("text", "x"), false},
      {"content mode", LayoutNode("UIImageView").set("contentMode", "scaleAspectFit"), true},
      {"unknown content mode", LayoutNode("UIImageView").set("contentMode", "stretch"), false},
      {"presentation style", LayoutNode("UIViewController").set("modalPresentationStyle", "fullScreen"), true},
  };
  for (const auto& c : cases) {
    LogCapture log;
    ASSERT_NE(loadOne(c.node), nullptr) << c.what << ": a refused property does not fail the load";
    EXPECT_EQ(log.messages().empty(), c.taken) << c.what;
  }
  auto view = std::dynamic_pointer_cast<View>(loadOne(LayoutNode("UIView").set("backgroundColor", "#ff000080")));
  EXPECT_EQ(view->backgroundColor(), platform::Color::colorWithRed(1, 0, 0, 128 / 255.0));
  auto label = std::dynamic_pointer_cast<Label>(loadOne(LayoutNode("UILabel").set("font", {{"name", "Test-Bold"}, {"size", 12}})));
  EXPECT_EQ(label->font(), (platform::Font{"Test-Bold", "Test", 12, platform::FontWeight::bold}));
  platform::Font::unregisterFont("Test-Bold");
  EXPECT_EQ(platform::Font::fontWithName("Test-Bold", 12), std::nullopt);
}

}  // namespace
