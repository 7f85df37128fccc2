// The anchors that trust evaluations accept: the system's certificate store plus anchors that tests
// add (a CA made at test time). Thread-safe; an evaluation uses the anchors present when it starts.
#pragma once

#include <string>
#include <string_view>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT TrustStore {
 public:
  // Adds every certificate of the PEM text as an anchor; false when it holds none.
  static bool addTestAnchorsFromPEM(std::string_view pem);
  static bool addTestAnchorsFromFile(const std::string& path);
  static void removeTestAnchors();
};

}  // namespace platform
