#include <gtest/gtest.h>

#include "KivAbstractCore/CrossPlatformUIReceivers.h"

using qor::CrossPlatformUIReceivers;
using qor::crossPlatformUIReceiversFromRawValue;

namespace {

TEST(CrossPlatformUIReceivers, EveryCaseHasItsRawTextBothWays) {
  using enum CrossPlatformUIReceivers;
  const struct {
    CrossPlatformUIReceivers receiver;
    int tag;
    std::string_view text;
  } table[] = {
      {DISPLAY_UI, 0, "displayUI"},
      {HIDE_UI, 1, "hideUI"},
      {BUILD_UI, 2, "buildUI"},
      {SHOW_TRANSACTION_APPROVED_SCREEN, 3, "authorizationApproved"},
      {SHOW_TRANSACTION_DECLINED_SCREEN, 4, "authorizationDeclined"},
      {CREATE_PRIVATE_CHANNEL, 5, "createPrivateChannel"},
      {HIDE_PROGRESS_SCREEN, 6, "hideProgressScreen"},
      {SHOW_PROGRESS_SCREEN, 7, "showProgressScreen"},
      {LOAD_CUSTOM_FONTS, 8, "loadCustomFonts"},
  };
  for (const auto& row : table) {
    EXPECT_EQ(static_cast<int>(row.receiver), row.tag) << row.text;
    EXPECT_EQ(qor::rawValue(row.receiver), row.text);
    EXPECT_EQ(crossPlatformUIReceiversFromRawValue(row.text), row.receiver) << row.text;
  }
}

TEST(CrossPlatformUIReceivers, NearMissesGiveNone) {
  const std::string_view misses[] = {
      "DISPLAY_UI",       "SHOW_TRANSACTION_APPROVED_SCREEN", "showTransactionApprovedScreen",
      "showTransactionDeclinedScreen", "loadCustomFont", "DisplayUI", "displayui", "hideUi",
      "AuthorizationApproved", "", "displayUI ", " hideUI", std::string_view("buildUI\0", 8),
  };
  for (auto text : misses) {
    EXPECT_EQ(crossPlatformUIReceiversFromRawValue(text), std::nullopt) << "\"" << text << "\"";
  }
}

}  // namespace
