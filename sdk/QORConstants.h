// The constants that the QOR library exports: answer types and values, authorization and chain
// types, the keys of the prepare answer's GUI data and of the cross-platform screens, and the
// process-wide integers of the screenshot record. Their values are part of the interface with the
// server and with the cross-platform UI module.
//
// The writable integers are atomics: a host app may change them from any thread, and a record reads
// them when it computes.
#pragma once

#include <atomic>
#include <cstdint>

#include "sdk/QORExport.h"

namespace qor {

// Types of the user's answer (the "type" of its record).
inline constexpr int64_t QORUserAnswerTypeAuthResultCancel = 401;
inline constexpr int64_t QORUserAnswerTypeAuthResultPin = 402;
inline constexpr int64_t QORUserAnswerTypeAuthResultOK = 404;
inline constexpr int64_t QORUserAnswerTypeAuthResultBiometric = 405;
inline constexpr int64_t QORUserAnswerTypeAuthResultDeviceInfo = 412;
inline constexpr int64_t QORUserAnswerTypeAuthResultSetPin = 413;
inline constexpr int64_t QORUserAnswerTypeAuthResultForgotPin = 414;

// Authorization types of the cross-platform screens.
inline constexpr int32_t QORAuthTypeOk = 101;
inline constexpr int32_t QORAuthTypePin = 102;
inline constexpr int32_t QORAuthTypeBio = 105;
inline constexpr int32_t QORAuthTypeSetPin = 106;

// Chain types of the prepare answer.
QOR_EXPORT extern const char* const QORAuthControllerOkChainType;         // "WAKEUP_AUTH_OK"
QOR_EXPORT extern const char* const QORAuthControllerPinChainType;        // "WAKEUP_AUTH_PIN"
QOR_EXPORT extern const char* const QORAuthControllerBiometricChainType;  // "WAKEUP_AUTH_BIOMETRIC_OK"
QOR_EXPORT extern const char* const QORAuthControllerSetPinChainType;     // "WAKEUP_AUTH_SET_PIN"

// Answer values of a confirm and of a decline.
QOR_EXPORT extern const char* const QORUserAnswerOk;      // "YES"
QOR_EXPORT extern const char* const QORUserAnswerCancel;  // "NO"

// Keys of the prepare answer's body and GUI data.
QOR_EXPORT extern const char* const guiDataResponseTextKey;           // "argGuiText"
QOR_EXPORT extern const char* const guiDataResponseHeaderKey;         // "argGuiHeader"
QOR_EXPORT extern const char* const flutterScreenKey;                 // "argGuiFlutterScreen"
QOR_EXPORT extern const char* const flutterScreenPinKey;              // "pinLength"
QOR_EXPORT extern const char* const flutterScreenTransactionDataKey;  // "argGuiData"
QOR_EXPORT extern const char* const flutterScreenMainKey;             // "mainScreen"
QOR_EXPORT extern const char* const flutterScreenDetailsKey;          // "detailsScreen"
QOR_EXPORT extern const char* const flutterScreenFallbackKey;         // "fallbackScreen"
QOR_EXPORT extern const char* const flutterScreenProgressKey;         // "progressScreen"
QOR_EXPORT extern const char* const screenKey;                        // "screen"
QOR_EXPORT extern const char* const screenDataKey;                    // "screenData"
QOR_EXPORT extern const char* const authContentTypeKey;               // "authContentType"
QOR_EXPORT extern const char* const faceIdUsageDescriptionKey;        // "NSFaceIDUsageDescription"
QOR_EXPORT extern const char* const flutterViewControllerTitle;       // "FlutterViewController"
QOR_EXPORT extern const char* const paymentDataAmountKey;             // "argAmount"
QOR_EXPORT extern const char* const paymentDataCreditorAccountKey;    // "argCreditorAccount"
QOR_EXPORT extern const char* const paymentDataCreditorBankKey;       // "argCreditorBank"

// Process-wide and writable; the screenshot record reads them when it computes.
QOR_EXPORT extern std::atomic<int32_t> topSafeAreaPadding;       // 50
QOR_EXPORT extern std::atomic<int32_t> bottomSafeAreaPadding;    // 150
QOR_EXPORT extern std::atomic<int32_t> sidewardSafeAreaPadding;  // 20
QOR_EXPORT extern std::atomic<int32_t> hashCodePrime;            // 59
QOR_EXPORT extern std::atomic<int32_t> artifactType;             // 1101

}  // namespace qor
