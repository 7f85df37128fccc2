#include "sdk/codeblocks/PrepareAuthActionCodeBlock.h"

#include "sdk/QORConstants.h"
#include "sdk/codeblocks/internal/NumberMember.h"

namespace qor {
namespace {

constexpr int32_t kDefaultPinCodeLength = 4;

std::string textOrEmpty(const platform::Json& body, const char* key) {
  return platform::stringMember(body, key).value_or(std::string());
}

}  // namespace

std::shared_ptr<PrepareAuthActionCodeBlock> PrepareAuthActionCodeBlock::create(
    const std::optional<platform::Json>& dictionary) {
  return make<PrepareAuthActionCodeBlock>(dictionary);
}

void PrepareAuthActionCodeBlock::initBody(const std::optional<platform::Json>& body) {
  if (!body) return;
  chainType_ = platform::stringMember(*body, "chainType");
  pinCodeLength_ = internal::int32NumberMember(*body, "pinCodeLength").value_or(kDefaultPinCodeLength);
  setupGuiDataWithDictionary(*body);
  setupPaymentDataWithDictionary(*body);
}

void PrepareAuthActionCodeBlock::setupGuiDataWithDictionary(const platform::Json& body) {
  const platform::Json* gui = platform::member(body, flutterScreenTransactionDataKey);
  platform::Json data = gui && gui->is_object() ? *gui : platform::Json::object();
  data[guiDataResponseHeaderKey] = textOrEmpty(body, guiDataResponseHeaderKey);
  data[guiDataResponseTextKey] = textOrEmpty(body, guiDataResponseTextKey);
  guiData_ = std::move(data);
  flutterGuiData_ = body;
}

void PrepareAuthActionCodeBlock::setupPaymentDataWithDictionary(const platform::Json& body) {
  paymentData_ = platform::Json{
      {paymentDataAmountKey, textOrEmpty(body, paymentDataAmountKey)},
      {paymentDataCreditorAccountKey, textOrEmpty(body, paymentDataCreditorAccountKey)},
      {paymentDataCreditorBankKey, textOrEmpty(body, paymentDataCreditorBankKey)},
  };
}

}  // namespace qor
