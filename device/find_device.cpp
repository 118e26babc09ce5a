// The search walk over the HID platform seam.
#include "device/find_device.h"

#include <string>
#include <utility>
#include <vector>

#include "device/admission.h"
#include "device/interface_walk.h"
#include "device/link_messages.h"

namespace zentho::device {

std::shared_ptr<DeviceLink> FindDevice(HidPlatform& platform, std::uint32_t targetVendorId,
                                       std::uint32_t targetProductId, const LinkLog& log,
                                       const LinkLog& trace) {
  const TargetIds targets{targetVendorId, targetProductId};
  std::shared_ptr<DeviceLink> link;
  std::string_view ending = msg::kEnumDeviceOver;
  // Why matching interfaces were passed over. They explain a search that finds nothing
  // (a permission problem would otherwise read as "device not found"); once a later
  // interface connects they are no news for the operator.
  std::vector<std::string> passedOver;
  WalkInterfaces(platform, [&](InterfaceSlot& slot) {
    if (slot.status == InterfaceSlot::Status::AllocationFailed) {
      ending = msg::kAllocateMemoryFail;
      return WalkStep::Stop;
    }
    if (slot.status == InterfaceSlot::Status::DetailReadFailed) {
      ending = msg::kDetailReadFail;
      return WalkStep::Stop;
    }
    Admission admission = AdmitInterface(platform, slot, targets);
    if (admission) {
      link = std::move(admission.link);
      return WalkStep::Stop;
    }
    // An interface whose IDs can't be read does not match, without a word.
    using Why = Admission::Why;
    if (admission.why == Why::NotForDownload ||
        (admission.why == Why::CannotOpen && admission.listedAsTarget)) {
      passedOver.push_back(admission.line(targets));
    }
    return WalkStep::Next;
  });
  // The walk has released the list before anything is appended.
  if (link) {
    if (trace) {
      for (const std::string& line : passedOver) trace(line + "\n");
    }
    return link;
  }
  for (const std::string& line : passedOver) log(line + "\r\n");
  log(ending);
  return nullptr;
}

}  // namespace zentho::device
