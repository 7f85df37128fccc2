#include "sdk/deviceinfo/QORDeviceInfoAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/deviceinfo/QORDeviceInfoRequestData.h"
#include "sdk/deviceinfo/QORDeviceInfoRequestHeader.h"

namespace qor {

std::shared_ptr<QORDeviceInfoAction> QORDeviceInfoAction::create(std::optional<Records> artifacts) {
  return std::shared_ptr<QORDeviceInfoAction>(new QORDeviceInfoAction(std::move(artifacts)));
}

std::optional<int64_t> QORDeviceInfoAction::actionType() const { return QORClientActionTypeDeviceInfo; }

std::optional<std::string> QORDeviceInfoAction::urlPath() const { return std::string(QORClientActionPathDeviceInfo); }

std::shared_ptr<QORBaseRequestHeader> QORDeviceInfoAction::createRequestHeader() {
  return QORDeviceInfoRequestHeader::create();
}

std::shared_ptr<QORBaseRequestData> QORDeviceInfoAction::createRequestData() {
  return QORDeviceInfoRequestData::create(artifacts_);
}

}  // namespace qor
