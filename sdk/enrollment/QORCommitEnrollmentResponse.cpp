#include "sdk/enrollment/QORCommitEnrollmentResponse.h"

namespace qor {

std::shared_ptr<QORCommitEnrollmentResponse> QORCommitEnrollmentResponse::create() {
  return std::shared_ptr<QORCommitEnrollmentResponse>(new QORCommitEnrollmentResponse());
}

void QORCommitEnrollmentResponse::setResponseDictionary(const platform::Json& dictionary) {
  QORBaseResponse::setResponseDictionary(dictionary);
  skVTN_ = platform::stringMember(dictionary, "skVTN");
}

}  // namespace qor
