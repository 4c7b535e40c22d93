#include "platform/platform.h"

#include <cstdlib>

namespace minute_alarm {

namespace {
Platform* thePlatform = nullptr;
}

void InstallPlatform(Platform* platform) { thePlatform = platform; }

Platform& ThePlatform() {
  if (thePlatform == nullptr) {
    std::abort();  // a backend forgot to install itself: a build fault, not a user's
  }
  return *thePlatform;
}

}  // namespace minute_alarm
