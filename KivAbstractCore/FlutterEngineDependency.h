// What the module needs to run its UI engine: the engine's identifier and its secure channel's name
// (the facade fills both with fresh UUID texts).
//
// Holds no lock; the facade makes it on the host app's thread and hands it over at once.
#pragma once

#include <memory>
#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT FlutterEngineDependency {
 public:
  // Two empty texts.
  static std::shared_ptr<FlutterEngineDependency> create();
  static std::shared_ptr<FlutterEngineDependency> create(std::string flutterEngineId, std::string secureChannelName);

  const std::string& flutterEngineId() const { return flutterEngineId_; }
  void setFlutterEngineId(std::string flutterEngineId) { flutterEngineId_ = std::move(flutterEngineId); }
  const std::string& secureChannelName() const { return secureChannelName_; }
  void setSecureChannelName(std::string secureChannelName) { secureChannelName_ = std::move(secureChannelName); }

 private:
  FlutterEngineDependency(std::string flutterEngineId, std::string secureChannelName)
      : flutterEngineId_(std::move(flutterEngineId)), secureChannelName_(std::move(secureChannelName)) {}

  std::string flutterEngineId_;
  std::string secureChannelName_;
};

}  // namespace qor
