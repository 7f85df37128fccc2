#include "sdk/deviceinfo/QORDeviceInfoRequestHeader.h"

#include "common/actions/QORClientActionConstants.h"
#include "common/artifacts/QORArtifactKeys.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"

namespace qor {

std::shared_ptr<QORDeviceInfoRequestHeader> QORDeviceInfoRequestHeader::create() {
  return std::shared_ptr<QORDeviceInfoRequestHeader>(new QORDeviceInfoRequestHeader());
}

QORDeviceInfoRequestHeader::QORDeviceInfoRequestHeader() : QORBaseRequestHeader(QORClientActionTypeDeviceInfo) {}

std::optional<platform::Json> QORDeviceInfoRequestHeader::requestDictionary() const {
  platform::Json dictionary = QORBaseRequestHeader::requestDictionary().value_or(platform::Json::object());
  if (type()) dictionary[dictionaryKeyRequestHeaderType] = *type();
  if (auto enrollmentId = QORCommonData::enrollmentId()) dictionary[kQORSecureStorageEnrollmentId] = *enrollmentId;
  return dictionary;
}

}  // namespace qor
