// The search walk over the HID platform seam.
#include "device/find_device.h"

#include <string>
#include <utility>
#include <vector>

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
                                       std::uint32_t targetProductId, const LinkLog& log,
                                       const LinkLog& trace) {
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
    OpenResult opened = platform.open(slot.path);
    if (!opened) {
      if (slot.listedIds && Matches(*slot.listedIds, targetVendorId, targetProductId)) {
        passedOver.push_back(msg::CannotOpenDevice(slot.path, *slot.listedIds, opened.reason()));
      }
      return WalkStep::Next;
    }
    OsResult<HidIds> ids = opened.value()->ids();
    if (!ids || !Matches(*ids, targetVendorId, targetProductId)) return WalkStep::Next;  // closes it
    if (std::optional<std::string> why = opened.value()->unsuitable()) {
      passedOver.push_back(msg::SkippedDevice(slot.path, *ids, *why));
      return WalkStep::Next;  // closed without a report sent to it
    }

    // A watch that can't be had leaves the link up without removal news.
    std::unique_ptr<RemovalWatch> watch = platform.watchRemoval(*opened.value());
    link = std::make_shared<DeviceLink>(std::move(opened.value()), *ids, std::move(watch));
    return WalkStep::Stop;
  });
  // The walk has released the list before anything is appended.
  if (link) {
    if (trace) {
      for (const std::string& line : passedOver) trace(msg::AsTraceLine(line));
    }
    return link;
  }
  for (const std::string& line : passedOver) log(line);
  log(ending);
  return nullptr;
}

}  // namespace zentho::device
