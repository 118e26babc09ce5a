// The Linux HID platform: hidraw nodes listed through libudev.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "device/hid_platform.h"
#include "device/linux/hidraw_device.h"

namespace zentho::device::linux_hid {

class UdevHidPlatform final : public HidPlatform {
 public:
  explicit UdevHidPlatform(HostFacts host = HostFacts::OfThisMachine()) : host_(std::move(host)) {}
  std::unique_ptr<InterfaceList> listInterfaces() override;
  // Finds the node's sysfs side (its syspath and "hid" parent) among the present
  // hidraw nodes, then opens it.
  OpenResult open(const std::string& path) override;
  std::unique_ptr<RemovalWatch> watchRemoval(HidDevice& device) override;
  std::unique_ptr<ArrivalWatch> watchArrivals() override;

 private:
  HostFacts host_;
};

// Reads "0003:00004A5D:00007310" (bus:vendor:product) from a "hid" device's HID_ID.
std::optional<HidIds> ParseHidId(std::string_view hidId);

}  // namespace zentho::device::linux_hid
