#include "KivAbstractCore/CrossPlatformUIReceivers.h"

#include <array>
#include <utility>

namespace qor {
namespace {

using enum CrossPlatformUIReceivers;

// In declaration order, so a case's position is its tag.
constexpr std::array<std::pair<CrossPlatformUIReceivers, std::string_view>, 9> kRawValues{{
    {DISPLAY_UI, "displayUI"},
    {HIDE_UI, "hideUI"},
    {BUILD_UI, "buildUI"},
    {SHOW_TRANSACTION_APPROVED_SCREEN, "authorizationApproved"},
    {SHOW_TRANSACTION_DECLINED_SCREEN, "authorizationDeclined"},
    {CREATE_PRIVATE_CHANNEL, "createPrivateChannel"},
    {HIDE_PROGRESS_SCREEN, "hideProgressScreen"},
    {SHOW_PROGRESS_SCREEN, "showProgressScreen"},
    {LOAD_CUSTOM_FONTS, "loadCustomFonts"},
}};

}  // namespace

std::string_view rawValue(CrossPlatformUIReceivers receiver) {
  const auto tag = static_cast<size_t>(receiver);
  return tag < kRawValues.size() ? kRawValues[tag].second : std::string_view();
}

std::optional<CrossPlatformUIReceivers> crossPlatformUIReceiversFromRawValue(std::string_view rawValue) {
  for (const auto& [receiver, text] : kRawValues) {
    if (text == rawValue) return receiver;
  }
  return std::nullopt;
}

}  // namespace qor
