#include "ui/resources/internal/NativeScreenLayouts.h"

namespace qor::internal {
namespace {

using platform::Json;
using platform::LayoutNode;
using platform::LayoutScene;

Json frame(double x, double y, double width, double height) { return Json::array({x, y, width, height}); }
Json systemFont(double size, const char* weight = "regular") { return Json{{"system", size}, {"weight", weight}}; }

LayoutNode screenView() {
  return LayoutNode("UIView").set("frame", frame(0, 0, 375, 812)).set("backgroundColor", "#FFFFFF");
}

LayoutNode row(double x, double y, double width, double height, double spacing) {
  return LayoutNode("UIStackView").set("frame", frame(x, y, width, height)).set("axis", "horizontal").set("spacing", spacing);
}

LayoutNode card(double y) { return LayoutNode("QORAuthInfo").outlet("authInfo").set("frame", frame(16, y, 343, 180)); }

LayoutNode timerLabel(double y) {
  return LayoutNode("UILabel").outlet("timerLabel").set("frame", frame(16, y, 343, 20)).set("textAlignment", "center");
}

LayoutNode button(const char* className, const char* outlet, const char* action) {
  return LayoutNode(className).outlet(outlet).action(action);
}

// Cancel and confirm side by side at the foot of the screen; the confirm title may come later.
LayoutNode decisionRow(const char* confirmTitle) {
  auto confirm = button("QORFlatEllipticButton", "confirmButton", "confirmAction")
                     .set("backgroundColor", "#272739")
                     .set("titleColor", "#FFFFFF");
  if (confirmTitle) confirm.set("title", confirmTitle);
  return row(16, 740, 343, 48, 16)
      .add(button("QORFlatEllipticButton", "cancelButton", "cancelAction")
               .set("title", "Cancel")
               .set("backgroundColor", "#EDEDF2")
               .set("titleColor", "#272739"))
      .add(std::move(confirm));
}

// The biometric and confirm screens: title, transaction type, card, timer, decision.
LayoutNode approvalScene(const char* className, const char* confirmTitle) {
  return LayoutNode(className)
      .set("modalPresentationStyle", "fullScreen")
      .add(screenView()
               .add(LayoutNode("UILabel")
                        .outlet("titleLabel")
                        .set("frame", frame(16, 48, 343, 96))
                        .set("numberOfLines", 0)
                        .set("textColor", "#272739"))
               .add(LayoutNode("UILabel")
                        .outlet("transactionTypeLabel")
                        .set("frame", frame(16, 150, 343, 24))
                        .set("text", "Authorization request")
                        .set("font", systemFont(15, "medium"))
                        .set("textColor", "#7E7D93"))
               .add(card(184))
               .add(timerLabel(372))
               .add(decisionRow(confirmTitle)));
}

LayoutNode pinSlot() {
  return LayoutNode("UILabel")
      .outlet("pinArray")
      .set("text", "_")
      .set("font", systemFont(28))
      .set("textAlignment", "center")
      .set("textColor", "#272739");
}

LayoutScene pinScene() {
  return LayoutScene{
      "QORPinViewController",
      LayoutNode("QORPinViewController")
          .set("modalPresentationStyle", "fullScreen")
          .add(screenView()
                   .add(LayoutNode("UILabel")
                            .outlet("titleLabel")
                            .set("frame", frame(16, 48, 343, 30))
                            .set("text", "Enter your PIN")
                            .set("font", systemFont(20, "medium"))
                            .set("textAlignment", "center")
                            .set("textColor", "#272739"))
                   .add(card(90))
                   .add(timerLabel(278))
                   .add(row(107, 306, 160, 40, 8).add(pinSlot()).add(pinSlot()).add(pinSlot()).add(pinSlot()))
                   .add(LayoutNode("QORKeyboard").outlet("keyboard").set("frame", frame(52, 356, 270, 312)))
                   .add(row(52, 680, 270, 44, 0)
                            .add(button("UIButton", "removeButton", "removeAction")
                                     .set("title", "Delete")
                                     .set("titleColor", "#7E7D93")))
                   .add(decisionRow("Confirm")))};
}

LayoutScene hostScene() {
  // The authorization host of QOR: a spinner while the transaction is fetched.
  return LayoutScene{"QORAuthViewController",
                     LayoutNode("QORAuthViewController")
                         .set("modalPresentationStyle", "fullScreen")
                         .add(LayoutNode("UIView")
                                  .set("frame", frame(0, 0, 375, 812))
                                  .add(LayoutNode("UIActivityIndicatorView")
                                           .outlet("activityIndicator")
                                           .set("frame", frame(169, 388, 37, 37))
                                           .set("animating", true)))};
}

LayoutNode digitButton(const char* outlet) {
  return LayoutNode("QORKeyboardButton")
      .outlet(outlet)
      .action("valueButtonAction")
      .set("backgroundColor", "#F4F4F8")
      .set("titleColor", "#272739");
}

}  // namespace

std::vector<LayoutScene> authStoryboardScenes() {
  return {
      pinScene(),
      LayoutScene{"QORBiometricAuthViewController", approvalScene("QORBiometricAuthViewController", nullptr)},
      LayoutScene{"QORCommitAuthViewController", approvalScene("QORCommitAuthViewController", "Confirm")},
      hostScene(),
  };
}

std::vector<LayoutScene> enrollmentStoryboardScenes() {
  return {LayoutScene{"QOREnrollmentViewController",
                      LayoutNode("QOREnrollmentViewController")
                          .set("modalPresentationStyle", "fullScreen")
                          .add(screenView().add(LayoutNode("UIActivityIndicatorView")
                                                    .outlet("activityIndicator")
                                                    .set("frame", frame(169, 388, 37, 37))
                                                    .set("color", "#7E7D93")
                                                    .set("animating", true)))}};
}

platform::LayoutNode keyboardNib() {
  // Three keys of 72 points a row, 27 apart; the last row holds one key in the middle.
  return LayoutNode("UIView")
      .outlet("contentView")
      .add(row(0, 0, 270, 72, 27).add(digitButton("firstButton")).add(digitButton("secondButton")).add(digitButton("thirdButton")))
      .add(row(0, 80, 270, 72, 27).add(digitButton("forthButton")).add(digitButton("fifthButton")).add(digitButton("sixthButton")))
      .add(row(0, 160, 270, 72, 27)
               .add(digitButton("seventhButton"))
               .add(digitButton("eigthButton"))
               .add(digitButton("ninthButton")))
      .add(row(99, 240, 72, 72, 0).add(digitButton("tenthButton")));
}

platform::LayoutNode authInfoNib() {
  return LayoutNode("UIView")
      .outlet("contentView")
      .set("frame", frame(0, 0, 343, 180))
      .set("backgroundColor", "#F4F4F8")
      .add(LayoutNode("UILabel")
               .outlet("headerLabel")
               .set("frame", frame(16, 12, 311, 22))
               .set("font", systemFont(15, "medium"))
               .set("textColor", "#272739"))
      .add(LayoutNode("UILabel")
               .outlet("messageLabel")
               .set("frame", frame(16, 38, 311, 60))
               .set("numberOfLines", 0)
               .set("font", systemFont(14))
               .set("textColor", "#272739"))
      .add(row(16, 104, 311, 20, 8)
               .add(LayoutNode("UILabel").outlet("fromTitleLabel").set("text", "From:").set("font", systemFont(12)).set("textColor", "#7E7D93"))
               .add(LayoutNode("UILabel").outlet("fromValueLabel").set("font", systemFont(12, "medium")).set("textColor", "#272739")))
      .add(LayoutNode("UIImageView")
               .outlet("logoImage")
               .set("frame", frame(16, 128, 200, 44))
               .set("hidden", true)
               .set("contentMode", "scaleAspectFit"))
      .add(LayoutNode("UIView").outlet("emptySpaceView").set("frame", frame(0, 176, 343, 4)).set("backgroundColor", "#F4F4F8"));
}

}  // namespace qor::internal
