// One payment of a transaction: amount, fee, recipient and currency, as the transaction gives them.
// The screens do not read it; it reaches the host app in the transaction summary, with the formatting
// helpers below for its own screens.
//
// Every property is read and written whole under a lock, so any thread may use the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/AttributedString.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/data/QORAtomicValue.h"

namespace qor {

class QOR_UI_EXPORT QORPayment {
 public:
  static std::shared_ptr<QORPayment> initWithAmount(double amount, double fee, std::optional<std::string> recipient,
                                                    std::optional<std::string> currency);

  double amount() const { return amount_.load(); }
  void setAmount(double amount) { amount_.store(amount); }
  double fee() const { return fee_.load(); }
  void setFee(double fee) { fee_.store(fee); }
  std::optional<std::string> recipient() const { return recipient_.load(); }
  void setRecipient(std::optional<std::string> recipient) { recipient_.store(std::move(recipient)); }
  std::optional<std::string> currency() const { return currency_.load(); }
  void setCurrency(std::optional<std::string> currency) { currency_.store(std::move(currency)); }

  // The amount with exactly two decimals, "." before them, no grouping, rounded half to even on the
  // shortest decimal that reads back as the amount: 1234.5 -> "1234.50", 2.999 -> "3.00",
  // 0.125 -> "0.12", 2.675 -> "2.68".
  std::string formatPaymentAmount() const;
  // The text in the system font of that size, medium weight, colour (39, 39, 57).
  static platform::AttributedString attributedAmount(const std::string& amount, int64_t fontSize);
  // "EUR 7.00": the currency, a space and the formatted amount; the amount alone when the payment
  // has no currency (none or empty).
  platform::AttributedString attributedAmountWithFontSize(int64_t fontSize) const;

 private:
  QORPayment() = default;

  std::atomic<double> amount_{0};
  std::atomic<double> fee_{0};
  QORAtomicValue<std::optional<std::string>> recipient_;
  QORAtomicValue<std::optional<std::string>> currency_;
};

}  // namespace qor
