// The Windows HID platform: interfaces of the HID class listed through SetupAPI,
// opened with CreateFileA, watched (removal, arrivals) through device-interface
// notifications.
#pragma once

#include <functional>
#include <memory>

#include "device/hid_platform.h"
#include "device/windows/hid_class_driver.h"

namespace zentho::device::windows_hid {

class SetupApiHidPlatform final : public HidPlatform {
 public:
  using Lister = std::function<std::unique_ptr<InterfaceList>()>;
  // The system's interface list and HID class driver.
  SetupApiHidPlatform();
  // Another list and driver in their place (a test's composite board).
  SetupApiHidPlatform(Lister lister, HidClassDriver& driver);

  std::unique_ptr<InterfaceList> listInterfaces() override;
  OpenResult open(const std::string& path) override;
  std::unique_ptr<RemovalWatch> watchRemoval(HidDevice& device) override;
  std::unique_ptr<ArrivalWatch> watchArrivals() override;

 private:
  Lister lister_;
  HidClassDriver& driver_;
};

}  // namespace zentho::device::windows_hid
