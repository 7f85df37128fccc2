// A certificate as the trust objects carry it: its DER bytes. Immutable, so any thread may use it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bytes.h"

namespace platform {

class SecCertificate {
 public:
  // nullptr when the bytes are not one DER certificate.
  static std::shared_ptr<SecCertificate> createWithData(const Bytes& der);
  // Every certificate of a PEM text, in order; empty when there is none or the text is malformed.
  static std::vector<std::shared_ptr<SecCertificate>> createFromPEM(std::string_view pem);

  const Bytes& data() const { return der_; }
  // The subject's common name, or the whole subject line when it has none.
  std::string subjectSummary() const;

 private:
  explicit SecCertificate(Bytes der) : der_(std::move(der)) {}
  Bytes der_;
};

}  // namespace platform
