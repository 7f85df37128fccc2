// The summary of one transaction that the native authorization hands to the host app's completion
// and to the resource provider: operation type, how it was approved, its payments and its extra
// arguments, as the prepare answer's GUI data gives them.
//
// A plain value holder; main queue, like the flows that fill and read it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Json.h"
#include "sdk/QORExport.h"
#include "ui/data/QORPayment.h"

namespace qor {

class QOR_EXPORT TransactionInfo {
 public:
  static std::shared_ptr<TransactionInfo> create() { return std::shared_ptr<TransactionInfo>(new TransactionInfo); }

  // The GUI data's "operationType".
  int64_t operationType() const { return operationType_; }
  void setOperationType(int64_t type) { operationType_ = type; }
  // 1 confirm (and any other chain), 2 PIN, 3 biometric, 4 set PIN.
  int64_t authMethod() const { return authMethod_; }
  void setAuthMethod(int64_t method) { authMethod_ = method; }
  // The GUI data's "payments".
  const std::vector<std::shared_ptr<QORPayment>>& payments() const { return payments_; }
  void setPayments(std::vector<std::shared_ptr<QORPayment>> payments) { payments_ = std::move(payments); }
  // The GUI data's "args", unchanged (null when absent).
  const platform::Json& args() const { return args_; }
  void setArgs(platform::Json args) { args_ = std::move(args); }

 private:
  TransactionInfo() = default;

  int64_t operationType_ = 0;
  int64_t authMethod_ = 0;
  std::vector<std::shared_ptr<QORPayment>> payments_;
  platform::Json args_;
};

}  // namespace qor
