#include "common/theme/QORThemeKeys.h"

namespace qor {

const char* const QORThemeLogoKey = "logo";
const char* const QORThemeTitleKey = "title";
const char* const QORThemeLogoDataKey = "logoData";
const char* const QORThemeDictionaryKey = "dictionary";
const char* const QORThemeScreenBackgroundColorKey = "screenBackgroundColor";
const char* const QORThemeActivityIndicatorColor = "activityIndicatorColor";
const char* const QORThemeTitleTextColorKey = "titleTextColor";
const char* const QORThemeQuestionMarkColorKey = "questionMarkColor";
const char* const QORThemeTransactionTypeTextColorKey = "transactionTypeTextColor";
const char* const QORThemeInfoSectionTitleColorKey = "infoSectionTitleColor";
const char* const QORThemeInfoSectionValueColorKey = "infoSectionValueColor";
const char* const QORThemeFromTextColorKey = "fromTextColor";
const char* const QORThemeMessageTextColorKey = "messageTextColor";
const char* const QORThemeAuthInfoBackgroundColorKey = "authInfoBackgroundColor";
const char* const QORThemeShowDetailsTextColorKey = "showDetailsTextColor";
const char* const QORThemeConfirmButtonBackgroundColorKey = "confirmButtonBackgroundColor";
const char* const QORThemeConfirmButtonTextColorKey = "confirmButtonTextColor";
const char* const QORThemeCancelButtonBackgroundColorKey = "cancelButtonBackgroundColor";
const char* const QORThemeCancelButtonTextColorKey = "cancelButtonTextColor";
const char* const QORThemeAuthConfirmationBackgroundColorKey = "authConfirmationBackgroundColor";
const char* const QORThemeAuthConfirmationTitleColorKey = "authConfirmationTitleColor";
const char* const QORThemeAuthConfirmationMessageColorKey = "authConfirmationMessageColor";
const char* const QORThemeAuthConfirmationThumbColorKey = "authConfirmationThumbColor";
const char* const QORThemeAuthConfirmationApostropheColorKey = "authConfirmationApostropheColor";
const char* const QORThemeAuthConfirmationButtonBackgroundColorKey = "authConfirmationButtonBackgroundColor";
const char* const QORThemeAuthConfirmationButtonTextColorKey = "authConfirmationButtonTextColor";
const char* const QORThemeAuthCancellationBackgroundColorKey = "authCancellationBackgroundColor";
const char* const QORThemeAuthCancellationTitleColorKey = "authCancellationTitleColor";
const char* const QORThemeAuthCancellationMessageColorKey = "authCancellationMessageColor";
const char* const QORThemeAuthCancellationThumbColorKey = "authCancellationThumbColor";
const char* const QORThemeAuthCancellationApostropheColorKey = "authCancellationApostropheColor";
const char* const QORThemeAuthCancellationButtonBackgroundColorKey = "authCancellationButtonBackgroundColor";
const char* const QORThemeAuthCancellationButtonTextColorKey = "authCancellationButtonTextColor";
const char* const QORThemePinTitleTextColorKey = "pinTitleTextColor";
const char* const QORThemePinValueTextColorKey = "pinValueTextColor";
const char* const QORThemePinNumberButtonTextColorKey = "pinNumberButtonTextColor";
const char* const QORThemePinNumberButtonBackgroundColorKey = "pinNumberButtonBackgroundColor";
const char* const QORThemePinRemoveButtonTextColorKey = "pinRemoveButtonTextColor";
const char* const QORThemePinRemoveButtonBackgroundColorKey = "pinRemoveButtonBackgroundColor";

}  // namespace qor
