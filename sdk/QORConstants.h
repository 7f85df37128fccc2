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
extern const char* const QORAuthControllerOkChainType;         // "WAKEUP_AUTH_OK"
extern const char* const QORAuthControllerPinChainType;        // "WAKEUP_AUTH_PIN"
extern const char* const QORAuthControllerBiometricChainType;  // "WAKEUP_AUTH_BIOMETRIC_OK"
extern const char* const QORAuthControllerSetPinChainType;     // "WAKEUP_AUTH_SET_PIN"

// Answer values of a confirm and of a decline.
extern const char* const QORUserAnswerOk;      // "YES"
extern const char* const QORUserAnswerCancel;  // "NO"

// Keys of the prepare answer's body and GUI data.
extern const char* const guiDataResponseTextKey;           // "argGuiText"
extern const char* const guiDataResponseHeaderKey;         // "argGuiHeader"
extern const char* const flutterScreenKey;                 // "argGuiFlutterScreen"
extern const char* const flutterScreenPinKey;              // "pinLength"
extern const char* const flutterScreenTransactionDataKey;  // "argGuiData"
extern const char* const flutterScreenMainKey;             // "mainScreen"
extern const char* const flutterScreenDetailsKey;          // "detailsScreen"
extern const char* const flutterScreenFallbackKey;         // "fallbackScreen"
extern const char* const flutterScreenProgressKey;         // "progressScreen"
extern const char* const screenKey;                        // "screen"
extern const char* const screenDataKey;                    // "screenData"
extern const char* const authContentTypeKey;               // "authContentType"
extern const char* const faceIdUsageDescriptionKey;        // "NSFaceIDUsageDescription"
extern const char* const flutterViewControllerTitle;       // "FlutterViewController"
extern const char* const paymentDataAmountKey;             // "argAmount"
extern const char* const paymentDataCreditorAccountKey;    // "argCreditorAccount"
extern const char* const paymentDataCreditorBankKey;       // "argCreditorBank"

// Process-wide and writable; the screenshot record reads them when it computes.
extern std::atomic<int32_t> topSafeAreaPadding;       // 50
extern std::atomic<int32_t> bottomSafeAreaPadding;    // 150
extern std::atomic<int32_t> sidewardSafeAreaPadding;  // 20
extern std::atomic<int32_t> hashCodePrime;            // 59
extern std::atomic<int32_t> artifactType;             // 1101

}  // namespace qor
