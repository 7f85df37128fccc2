#include "ui/data/QORPayment.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace qor {
namespace {

constexpr int kFractionDigits = 2;

// The decimal digits of |value| and the position of the decimal point in them, from the shortest
// text that reads back as the same double (what the platform's number formatter rounds from).
struct Decimal {
  std::string digits;  // no leading zeros but for zero itself
  int pointAt = 0;     // digits before the point; may be negative or beyond the digits
};

Decimal shortestDecimal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
  const std::string_view text(buffer, size_t(result.ptr - buffer));
  // d[.ddd]e±x
  const size_t e = text.find('e');
  Decimal out;
  for (char c : text.substr(0, e)) {
    if (c != '.') out.digits += c;
  }
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
  out.pointAt = exponent + 1;
  return out;
}

// Keeps `kFractionDigits` digits after the point, rounding half to even.
std::string roundHalfEven(const Decimal& decimal) {
  // Integer part and fraction as digit strings, padded with zeros where the digits do not reach.
  std::string integer;
  std::string fraction;
  for (int i = std::min(decimal.pointAt, 0); i < int(decimal.digits.size()) || i < decimal.pointAt; ++i) {
    const char digit = i >= 0 && i < int(decimal.digits.size()) ? decimal.digits[size_t(i)] : '0';
    (i < decimal.pointAt ? integer : fraction) += digit;
  }
  if (integer.empty()) integer = "0";
  fraction.resize(std::max(fraction.size(), size_t(kFractionDigits)), '0');

  std::string kept = integer + fraction.substr(0, kFractionDigits);
  const std::string_view rest = std::string_view(fraction).substr(kFractionDigits);
  bool up = false;
  if (!rest.empty() && rest[0] > '5') up = true;
  if (!rest.empty() && rest[0] == '5') {
    const bool beyondHalf = rest.find_first_not_of('0', 1) != std::string_view::npos;
    up = beyondHalf || (kept.back() - '0') % 2 == 1;
  }
  if (up) {
    size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) {
      kept.insert(kept.begin(), '1');
    } else {
      ++kept[i - 1];
    }
  }
  const size_t split = kept.size() - kFractionDigits;
  std::string whole = kept.substr(0, split);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  return whole + "." + kept.substr(split);
}

}  // namespace

std::shared_ptr<QORPayment> QORPayment::initWithAmount(double amount, double fee, std::optional<std::string> recipient,
                                                       std::optional<std::string> currency) {
  auto payment = std::shared_ptr<QORPayment>(new QORPayment);
  payment->setAmount(amount);
  payment->setFee(fee);
  payment->setRecipient(std::move(recipient));
  payment->setCurrency(std::move(currency));
  return payment;
}

std::string QORPayment::formatPaymentAmount() const {
  const double value = amount();
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-∞" : "∞";
  return (value < 0 ? "-" : "") + roundHalfEven(shortestDecimal(value));
}

platform::AttributedString QORPayment::attributedAmount(const std::string& amount, int64_t fontSize) {
  return platform::AttributedString(
      amount, platform::TextAttributes{platform::Color::colorWithRed(39 / 255.0, 39 / 255.0, 57 / 255.0, 1),
                                       platform::Font::systemFontOfSize(double(fontSize), platform::FontWeight::medium),
                                       std::nullopt});
}

platform::AttributedString QORPayment::attributedAmountWithFontSize(int64_t fontSize) const {
  const auto code = currency();
  const std::string text = code && !code->empty() ? *code + " " + formatPaymentAmount() : formatPaymentAmount();
  return attributedAmount(text, fontSize);
}

}  // namespace qor
