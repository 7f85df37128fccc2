#include "sdk/authorization/QOREnrollmentRequestHeader.h"

#include "common/storage/QORCommonData.h"
#include "sdk/internal/ExactCount.h"

namespace qor {

std::shared_ptr<QOREnrollmentRequestHeader> QOREnrollmentRequestHeader::create(std::optional<int64_t> type) {
  return std::shared_ptr<QOREnrollmentRequestHeader>(new QOREnrollmentRequestHeader(type));
}

std::optional<platform::Json> QOREnrollmentRequestHeader::requestDictionary() const {
  platform::Json dictionary = QORBaseRequestHeader::requestDictionary().value_or(platform::Json::object());
  if (auto enrollmentId = QORCommonData::enrollmentId()) dictionary["enrollmentId"] = *enrollmentId;
  return internal::withExactCount(std::move(dictionary), 4);
}

}  // namespace qor
