// The search walk over the HID platform seam.
#include "device/find_device.h"

#include <utility>

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
  std::unique_ptr<InterfaceList> list = platform.listInterfaces();
  // The list is released before the search's message is appended, on every path.
  auto end = [&](std::string_view message) -> std::shared_ptr<DeviceLink> {
    list.reset();
    log(message);
    return nullptr;
  };

  for (std::size_t index = 0; list; ++index) {
    std::optional<InterfaceSlot> slot = list->at(index);
    if (!slot) break;
    if (slot->status == InterfaceSlot::Status::AllocationFailed) return end(msg::kAllocateMemoryFail);
    if (slot->status == InterfaceSlot::Status::DetailReadFailed) return end(msg::kDetailReadFail);

    OpenResult opened = platform.open(slot->path);
    if (!opened.device) {
      // Otherwise "device not found" would hide what is really a permission problem.
      if (slot->listedIds && Matches(*slot->listedIds, targetVendorId, targetProductId)) {
        log(msg::CannotOpenDevice(slot->path, *slot->listedIds, opened.error));
      }
      continue;
    }
    std::optional<HidIds> ids = opened.device->ids();
    if (!ids || !Matches(*ids, targetVendorId, targetProductId)) continue;  // closes it

    // A watch that can't be had leaves the link up without removal news.
    std::unique_ptr<RemovalWatch> watch = platform.watchRemoval(*opened.device);
    list.reset();
    return std::make_shared<DeviceLink>(std::move(opened.device), *ids, std::move(watch));
  }
  return end(msg::kEnumDeviceOver);
}

}  // namespace zentho::device
