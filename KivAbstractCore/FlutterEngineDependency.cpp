#include "KivAbstractCore/FlutterEngineDependency.h"

namespace qor {

std::shared_ptr<FlutterEngineDependency> FlutterEngineDependency::create() { return create({}, {}); }

std::shared_ptr<FlutterEngineDependency> FlutterEngineDependency::create(std::string flutterEngineId,
                                                                         std::string secureChannelName) {
  return std::shared_ptr<FlutterEngineDependency>(
      new FlutterEngineDependency(std::move(flutterEngineId), std::move(secureChannelName)));
}

}  // namespace qor
