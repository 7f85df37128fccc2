// The commit-enrollment answer: beside the sealed body, signature and status it carries, at its top
// level, the enrollment token "skVTN" whose presence marks the device enrolled. Used on the queue of
// the action that received it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/request/QORBaseResponse.h"

namespace qor {

class QORCommitEnrollmentResponse : public QORBaseResponse {
 public:
  static std::shared_ptr<QORCommitEnrollmentResponse> create();

  // nullopt when the answer has none or it is not text.
  const std::optional<std::string>& skVTN() const { return skVTN_; }

  // The base's members, then "skVTN" of the outer answer (not of the sealed body).
  void setResponseDictionary(const platform::Json& dictionary) override;

 protected:
  QORCommitEnrollmentResponse() = default;

 private:
  std::optional<std::string> skVTN_;
};

}  // namespace qor
