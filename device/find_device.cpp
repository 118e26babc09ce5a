// The search walk over the HID platform seam.
#include "device/find_device.h"

#include <string>
#include <utility>
#include <vector>

#include "device/link_messages.h"

namespace zentho::device {
namespace {

bool Matches(HidIds ids, std::uint32_t targetVendorId, std::uint32_t targetProductId) {
  return std::uint32_t{ids.vendorId} == targetVendorId &&
         std::uint32_t{ids.productId} == targetProductId;
}

}  // namespace

std::shared_ptr<DeviceLink> FindDevice(HidPlatform& platform, std::uint32_t targetVendorId,
                                       std::uint32_t targetProductId, const LinkLog& log,
                                       const LinkLog& trace) {
  std::unique_ptr<InterfaceList> list = platform.listInterfaces();
  // Why matching interfaces were passed over. They explain a search that finds nothing
  // (a permission problem would otherwise read as "device not found"); once a later
  // interface connects they are no news for the operator.
  std::vector<std::string> passedOver;
  // The list is released before the search's message is appended, on every path.
  auto end = [&](std::string_view message) -> std::shared_ptr<DeviceLink> {
    list.reset();
    for (const std::string& line : passedOver) log(line);
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
      if (slot->listedIds && Matches(*slot->listedIds, targetVendorId, targetProductId)) {
        passedOver.push_back(msg::CannotOpenDevice(slot->path, *slot->listedIds, opened.error));
      }
      continue;
    }
    std::optional<HidIds> ids = opened.device->ids();
    if (!ids || !Matches(*ids, targetVendorId, targetProductId)) continue;  // closes it
    if (std::optional<std::string> why = opened.device->unsuitable()) {
      passedOver.push_back(msg::SkippedDevice(slot->path, *ids, *why));
      continue;  // closed without a report sent to it
    }

    // A watch that can't be had leaves the link up without removal news.
    std::unique_ptr<RemovalWatch> watch = platform.watchRemoval(*opened.device);
    list.reset();
    if (trace) {
      for (const std::string& line : passedOver) trace(msg::AsTraceLine(line));
    }
    return std::make_shared<DeviceLink>(std::move(opened.device), *ids, std::move(watch));
  }
  return end(msg::kEnumDeviceOver);
}

}  // namespace zentho::device
