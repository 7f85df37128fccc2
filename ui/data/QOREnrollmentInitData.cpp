#include "ui/data/QOREnrollmentInitData.h"

namespace qor {

std::shared_ptr<QOREnrollmentInitData> QOREnrollmentInitData::initWithTitle(Text title, Text description) {
  auto data = std::shared_ptr<QOREnrollmentInitData>(new QOREnrollmentInitData);
  data->setBindingDeviceTitle(std::move(title));
  data->setBindingDeviceDescription(std::move(description));
  return data;
}

}  // namespace qor
