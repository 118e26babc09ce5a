// The search walk over the HID platform seam.
#include "device/find_device.h"

#include <utility>

#include "device/interface_walk.h"
#include "device/link_messages.h"

namespace zentho::device {
namespace {

bool Matches(HidIds ids, std::uint32_t targetVendorId, std::uint32_t targetProductId) {
  return std::uint32_t{ids.vendorId} == targetVendorId &&
         std::uint32_t{ids.productId} == targetProductId;
}

}  // namespace

std::shared_ptr<DeviceLink> FindDevice(HidPlatform& platform, std::uint32_t targetVendorId,
                                       std::uint32_t targetProductId, const LinkLog& log) {
  std::shared_ptr<DeviceLink> link;
  std::string_view ending = msg::kEnumDeviceOver;
  WalkInterfaces(platform, [&](InterfaceSlot& slot) {
    if (slot.status == InterfaceSlot::Status::AllocationFailed) {
      ending = msg::kAllocateMemoryFail;
      return WalkStep::Stop;
    }
    if (slot.status == InterfaceSlot::Status::DetailReadFailed) {
      ending = msg::kDetailReadFail;
      return WalkStep::Stop;
    }
    OpenResult opened = platform.open(slot.path);
    if (!opened.device) {
      // Otherwise "device not found" would hide what is really a permission problem.
      if (slot.listedIds && Matches(*slot.listedIds, targetVendorId, targetProductId)) {
        log(msg::CannotOpenDevice(slot.path, *slot.listedIds, opened.error));
      }
      return WalkStep::Next;
    }
    std::optional<HidIds> ids = opened.device->ids();
    if (!ids || !Matches(*ids, targetVendorId, targetProductId)) return WalkStep::Next;  // closes it

    // A watch that can't be had leaves the link up without removal news.
    std::unique_ptr<RemovalWatch> watch = platform.watchRemoval(*opened.device);
    link = std::make_shared<DeviceLink>(std::move(opened.device), *ids, std::move(watch));
    return WalkStep::Stop;
  });
  // The walk has released the list before the search's message is appended.
  if (!link) log(ending);
  return link;
}

}  // namespace zentho::device
