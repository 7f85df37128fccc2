// A parcel for the module's own use: the name of a channel. Nothing in the system creates one.
//
// Holds no lock; whoever shares one between threads synchronises it.
#pragma once

#include <memory>
#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "KivAbstractCore/Parcel.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

class KIV_EXPORT PrivateChannelData final : public Parcel {
 public:
  static std::shared_ptr<PrivateChannelData> create(std::string channelName);
  // Null, with the first failure in *error, unless "channelName" is a string; other members are ignored.
  static std::shared_ptr<PrivateChannelData> createFrom(const platform::Json& from,
                                                        platform::Error* error = nullptr);

  // {"channelName": string}
  std::string pack() const override;
  // Writes "channelName" into `to` (made an object first when it is not one).
  void encode(platform::Json& to) const;

  const std::string& channelName() const { return channelName_; }
  void setChannelName(std::string channelName) { channelName_ = std::move(channelName); }

 private:
  explicit PrivateChannelData(std::string channelName) : channelName_(std::move(channelName)) {}

  std::string channelName_;
};

}  // namespace qor
