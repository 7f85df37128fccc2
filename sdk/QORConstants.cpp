#include "sdk/QORConstants.h"

namespace qor {

const char* const QORAuthControllerOkChainType = "WAKEUP_AUTH_OK";
const char* const QORAuthControllerPinChainType = "WAKEUP_AUTH_PIN";
const char* const QORAuthControllerBiometricChainType = "WAKEUP_AUTH_BIOMETRIC_OK";
const char* const QORAuthControllerSetPinChainType = "WAKEUP_AUTH_SET_PIN";

const char* const QORUserAnswerOk = "YES";
const char* const QORUserAnswerCancel = "NO";

const char* const guiDataResponseTextKey = "argGuiText";
const char* const guiDataResponseHeaderKey = "argGuiHeader";
const char* const flutterScreenKey = "argGuiFlutterScreen";
const char* const flutterScreenPinKey = "pinLength";
const char* const flutterScreenTransactionDataKey = "argGuiData";
const char* const flutterScreenMainKey = "mainScreen";
const char* const flutterScreenDetailsKey = "detailsScreen";
const char* const flutterScreenFallbackKey = "fallbackScreen";
const char* const flutterScreenProgressKey = "progressScreen";
const char* const screenKey = "screen";
const char* const screenDataKey = "screenData";
const char* const authContentTypeKey = "authContentType";
const char* const faceIdUsageDescriptionKey = "NSFaceIDUsageDescription";
const char* const flutterViewControllerTitle = "FlutterViewController";
const char* const paymentDataAmountKey = "argAmount";
const char* const paymentDataCreditorAccountKey = "argCreditorAccount";
const char* const paymentDataCreditorBankKey = "argCreditorBank";

// Constant-initialised: nothing runs at load.
std::atomic<int32_t> topSafeAreaPadding{50};
std::atomic<int32_t> bottomSafeAreaPadding{150};
std::atomic<int32_t> sidewardSafeAreaPadding{20};
std::atomic<int32_t> hashCodePrime{59};
std::atomic<int32_t> artifactType{1101};

}  // namespace qor
