// CM_Get_Parent up to the USB device, then its instance ID and location properties.
#include "device/windows/usb_device_facts.h"

#include <windows.h>

#include <cfgmgr32.h>

#include <vector>

#include "device/windows/usb_location.h"
#include "device/windows/windows_hid_device.h"

namespace zentho::device::windows_hid {
namespace {

// A HID interface sits at most two nodes below its USB device (the function of a
// composite device between them); a few more allow for filter layers.
constexpr int kMaxLevels = 4;

bool InstanceId(DEVINST node, std::string& id) {
  char buffer[MAX_DEVICE_ID_LEN + 1] = {};
  const CONFIGRET result = CM_Get_Device_IDA(node, buffer, sizeof buffer - 1, 0);
  if (result != CR_SUCCESS) {
    DebugLine("CM_Get_Device_IDA: " + ConfigRetText(result));
    return false;
  }
  id = buffer;
  return true;
}

// The property as text: the first string of a multi-string, the string of a plain one.
// Empty when the node has no such property.
std::string TextProperty(DEVINST node, ULONG property, const char* name) {
  ULONG length = 0;
  ULONG type = 0;
  CONFIGRET result = CM_Get_DevNode_Registry_PropertyA(node, property, &type, nullptr, &length, 0);
  if (result == CR_NO_SUCH_VALUE) return {};
  if (result != CR_BUFFER_SMALL && result != CR_SUCCESS) {
    DebugLine(std::string("CM_Get_DevNode_Registry_PropertyA ") + name + ": " + ConfigRetText(result));
    return {};
  }
  std::vector<char> value(length);
  result = CM_Get_DevNode_Registry_PropertyA(node, property, &type, value.data(), &length, 0);
  if (result != CR_SUCCESS) {
    DebugLine(std::string("CM_Get_DevNode_Registry_PropertyA ") + name + ": " + ConfigRetText(result));
    return {};
  }
  value.resize(std::min<std::size_t>(length, value.size()));
  return FirstOfMultiString(value);
}

}  // namespace

UsbDeviceFacts FactsAbove(std::uint32_t hidNode) {
  DEVINST node = hidNode;
  for (int level = 0; level < kMaxLevels; ++level) {
    DEVINST parent = 0;
    const CONFIGRET result = CM_Get_Parent(&parent, node, 0);
    // The top of the tree: nothing USB above this interface.
    if (result == CR_NO_SUCH_DEVNODE) return {};
    if (result != CR_SUCCESS) {
      DebugLine("CM_Get_Parent: " + ConfigRetText(result));
      return {};
    }
    node = parent;
    std::string id;
    if (!InstanceId(node, id)) return {};
    if (!IsUsbDeviceInstance(id)) continue;
    UsbDeviceFacts facts;
    facts.serialNumber = SerialFromInstanceId(id);
    // The location path names the whole chain of hubs and ports; older systems have only
    // the location information ("Port_#0003.Hub_#0002").
    facts.locationPath = TextProperty(node, CM_DRP_LOCATION_PATHS, "LocationPaths");
    if (facts.locationPath.empty()) {
      facts.locationPath = TextProperty(node, CM_DRP_LOCATION_INFORMATION, "LocationInformation");
    }
    return facts;
  }
  return {};
}

}  // namespace zentho::device::windows_hid
