// The walk over the platform's interface list.
#include "device/interface_walk.h"

namespace zentho::device {

void WalkInterfaces(HidPlatform& platform, const std::function<WalkStep(InterfaceSlot&)>& visit) {
  std::unique_ptr<InterfaceList> list = platform.listInterfaces();
  for (std::size_t index = 0; list; ++index) {
    std::optional<InterfaceSlot> slot = list->at(index);
    if (!slot || visit(*slot) == WalkStep::Stop) break;
  }
}

}  // namespace zentho::device
