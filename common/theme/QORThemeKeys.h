// Exported names of the theme: its archive keys, the JSON member of its logo, and its colour keys.
// The colour keys are the members of QORTheme::dictonary(); every one may appear in a theme.
#pragma once

#include "common/QORCommonExport.h"

namespace qor {

QOR_COMMON_EXPORT extern const char* const QORThemeLogoKey;                                   // "logo"
QOR_COMMON_EXPORT extern const char* const QORThemeTitleKey;                                  // "title"
QOR_COMMON_EXPORT extern const char* const QORThemeLogoDataKey;                               // "logoData"
QOR_COMMON_EXPORT extern const char* const QORThemeDictionaryKey;                             // "dictionary"
QOR_COMMON_EXPORT extern const char* const QORThemeScreenBackgroundColorKey;                  // "screenBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeActivityIndicatorColor;                    // "activityIndicatorColor"
QOR_COMMON_EXPORT extern const char* const QORThemeTitleTextColorKey;                         // "titleTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeQuestionMarkColorKey;                      // "questionMarkColor"
QOR_COMMON_EXPORT extern const char* const QORThemeTransactionTypeTextColorKey;               // "transactionTypeTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeInfoSectionTitleColorKey;                  // "infoSectionTitleColor"
QOR_COMMON_EXPORT extern const char* const QORThemeInfoSectionValueColorKey;                  // "infoSectionValueColor"
QOR_COMMON_EXPORT extern const char* const QORThemeFromTextColorKey;                          // "fromTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeMessageTextColorKey;                       // "messageTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthInfoBackgroundColorKey;                // "authInfoBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeShowDetailsTextColorKey;                   // "showDetailsTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeConfirmButtonBackgroundColorKey;           // "confirmButtonBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeConfirmButtonTextColorKey;                 // "confirmButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeCancelButtonBackgroundColorKey;            // "cancelButtonBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeCancelButtonTextColorKey;                  // "cancelButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationBackgroundColorKey;        // "authConfirmationBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationTitleColorKey;             // "authConfirmationTitleColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationMessageColorKey;           // "authConfirmationMessageColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationThumbColorKey;             // "authConfirmationThumbColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationApostropheColorKey;        // "authConfirmationApostropheColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationButtonBackgroundColorKey;  // "authConfirmationButtonBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthConfirmationButtonTextColorKey;        // "authConfirmationButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationBackgroundColorKey;        // "authCancellationBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationTitleColorKey;             // "authCancellationTitleColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationMessageColorKey;           // "authCancellationMessageColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationThumbColorKey;             // "authCancellationThumbColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationApostropheColorKey;        // "authCancellationApostropheColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationButtonBackgroundColorKey;  // "authCancellationButtonBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemeAuthCancellationButtonTextColorKey;        // "authCancellationButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinTitleTextColorKey;                      // "pinTitleTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinValueTextColorKey;                      // "pinValueTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinNumberButtonTextColorKey;               // "pinNumberButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinNumberButtonBackgroundColorKey;         // "pinNumberButtonBackgroundColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinRemoveButtonTextColorKey;               // "pinRemoveButtonTextColor"
QOR_COMMON_EXPORT extern const char* const QORThemePinRemoveButtonBackgroundColorKey;         // "pinRemoveButtonBackgroundColor"

}  // namespace qor
