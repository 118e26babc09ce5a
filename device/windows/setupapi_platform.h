// The Windows HID platform: interfaces of the HID class listed through SetupAPI,
// opened with CreateFileA, watched (removal, arrivals) through device-interface
// notifications.
#pragma once

#include <memory>

#include "device/hid_platform.h"

namespace zentho::device::windows_hid {

class SetupApiHidPlatform final : public HidPlatform {
 public:
  std::unique_ptr<InterfaceList> listInterfaces() override;
  OpenResult open(const std::string& path) override;
  std::unique_ptr<RemovalWatch> watchRemoval(HidDevice& device) override;
  std::unique_ptr<ArrivalWatch> watchArrivals() override;
};

}  // namespace zentho::device::windows_hid
