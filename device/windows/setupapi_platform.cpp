// SetupDiGetClassDevsA over the HID interface class, one interface per index.
#include "device/windows/setupapi_platform.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "device/system_hid_platform.h"
#include "device/windows/hid_api.h"
#include "device/windows/hid_path.h"
#include "device/windows/interface_arrival_watch.h"
#include "device/windows/notification_watch.h"
#include "device/windows/usb_device_facts.h"
#include "device/windows/windows_hid_device.h"
#include "base/os_result.h"

#include <setupapi.h>

namespace zentho::device::windows_hid {
namespace {

class SetupApiList final : public InterfaceList {
 public:
  SetupApiList() {
    HidD_GetHidGuid(&hidClass_);
    list_ = SetupDiGetClassDevsA(&hidClass_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list_ == INVALID_HANDLE_VALUE) DebugLine("SetupDiGetClassDevsA: " + LastErrorText());
  }
  ~SetupApiList() override {
    if (list_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(list_);
  }
  SetupApiList(const SetupApiList&) = delete;
  SetupApiList& operator=(const SetupApiList&) = delete;
  bool complete() const override { return list_ != INVALID_HANDLE_VALUE && !stoppedShort_; }

  std::optional<InterfaceSlot> at(std::size_t index) override {
    // A list that can't be had is an empty one.
    if (list_ == INVALID_HANDLE_VALUE || index > MAXDWORD) return std::nullopt;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiEnumDeviceInterfaces(list_, nullptr, &hidClass_, static_cast<DWORD>(index),
                                     &interfaceData)) {
      if (GetLastError() != ERROR_NO_MORE_ITEMS) {
        DebugLine("SetupDiEnumDeviceInterfaces: " + LastErrorText());
        stoppedShort_ = true;
      }
      return std::nullopt;
    }
    // The first call only asks for the size; its failure for want of a buffer is expected.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(list_, &interfaceData, nullptr, 0, &required, nullptr);
    // The fixed part is sizeof for this build (8 in a 64-bit process, 5 in a 32-bit one).
    constexpr DWORD kFixedPart = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (required < kFixedPart) {
      DebugLine("SetupDiGetDeviceInterfaceDetailA: size " + std::to_string(required) + ", " +
                LastErrorText());
      return InterfaceSlot{InterfaceSlot::Status::DetailReadFailed, {}, {}};
    }
    std::vector<char> buffer;
    try {
      buffer.resize(required);
    } catch (const std::bad_alloc&) {
      return InterfaceSlot{InterfaceSlot::Status::AllocationFailed, {}, {}};
    }
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = kFixedPart;
    // The interface's device node comes with its path: the way up to the USB device.
    SP_DEVINFO_DATA node{};
    node.cbSize = sizeof node;
    if (!SetupDiGetDeviceInterfaceDetailA(list_, &interfaceData, detail, required, nullptr, &node)) {
      DebugLine("SetupDiGetDeviceInterfaceDetailA: " + LastErrorText());
      return InterfaceSlot{InterfaceSlot::Status::DetailReadFailed, {}, {}};
    }
    // DevicePath is NUL-terminated within the buffer; a missing NUL stops at its end.
    const char* path = detail->DevicePath;
    const std::size_t room = buffer.size() - static_cast<std::size_t>(path - buffer.data());
    std::string devicePath(path, strnlen(path, room));
    InterfaceSlot slot{InterfaceSlot::Status::Path, std::move(devicePath), {}};
    slot.listedIds = IdsFromPath(slot.path);
    UsbDeviceFacts facts = FactsAbove(node.DevInst);
    slot.portPath = std::move(facts.locationPath);
    slot.serialNumber = std::move(facts.serialNumber);
    return slot;
  }

 private:
  GUID hidClass_{};
  HDEVINFO list_ = INVALID_HANDLE_VALUE;
  bool stoppedShort_ = false;
};

}  // namespace

SetupApiHidPlatform::SetupApiHidPlatform()
    : SetupApiHidPlatform([] { return std::make_unique<SetupApiList>(); }, SystemHidClassDriver()) {}

SetupApiHidPlatform::SetupApiHidPlatform(Lister lister, HidClassDriver& driver)
    : lister_(std::move(lister)), driver_(driver) {}

std::unique_ptr<InterfaceList> SetupApiHidPlatform::listInterfaces() { return lister_(); }

OpenResult SetupApiHidPlatform::open(const std::string& path) {
  return WindowsHidDevice::Open(driver_, path);
}

std::unique_ptr<RemovalWatch> SetupApiHidPlatform::watchRemoval(HidDevice& device) {
  return NotificationWatch::Start(device.path());
}

std::unique_ptr<ArrivalWatch> SetupApiHidPlatform::watchArrivals() {
  return InterfaceArrivalWatch::Start([] {
    std::vector<std::string> paths;
    SetupApiList list;
    for (std::size_t i = 0;; ++i) {
      std::optional<InterfaceSlot> slot = list.at(i);
      if (!slot) break;
      if (slot->status == InterfaceSlot::Status::Path) paths.push_back(std::move(slot->path));
    }
    return paths;
  });
}

}  // namespace zentho::device::windows_hid

namespace zentho::device {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform() {
  return std::make_unique<windows_hid::SetupApiHidPlatform>();
}

}  // namespace zentho::device
