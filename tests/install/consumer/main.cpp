#include <iostream>

#include "platform/QORPlatformVersion.h"
#include "sdk/QORVersion.h"

int main() {
  std::cout << "QOR " << qor::QORVersionString << " on platform " << platform::QORPlatformVersionString << "\n";
  return 0;
}
