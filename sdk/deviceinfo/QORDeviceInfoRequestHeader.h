// The header of the device-information request: the base header (type 109, AES key, IV) with the
// stored enrollment identifier when there is one. Unlike the other headers it is sent with 3
// members on a device that is not enrolled. Made for one request.
#pragma once

#include <memory>

#include "common/request/QORBaseRequestHeader.h"

namespace qor {

class QORDeviceInfoRequestHeader : public QORBaseRequestHeader {
 public:
  // init: initWithType: 109.
  static std::shared_ptr<QORDeviceInfoRequestHeader> create();

  // {"type", "nIV", "symmetricKeyQOR"} plus "enrollmentId" when one is stored; no member count check.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORDeviceInfoRequestHeader();
};

}  // namespace qor
