// DEV_BROADCAST_DEVICEINTERFACE records as the system builds them, for crafted
// WM_DEVICECHANGE messages in the Windows backend's tests.
#pragma once

#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zentho::device::windows_hid::records {

// The fixed part, then the name and its terminator.
inline std::vector<std::uint8_t> InterfaceRecord(const std::string& name,
                                                 DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE) {
  const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  std::vector<std::uint8_t> bytes(offset + name.size() + 1, 0);
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
  record->dbcc_size = static_cast<DWORD>(bytes.size());
  record->dbcc_devicetype = deviceType;
  std::memcpy(bytes.data() + offset, name.data(), name.size());
  return bytes;
}

// The same with the name in UTF-16, which the system may send even to an ANSI window.
inline std::vector<std::uint8_t> WideInterfaceRecord(const std::string& name) {
  const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  std::vector<std::uint8_t> bytes(offset + 2 * (name.size() + 1), 0);
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
  record->dbcc_size = static_cast<DWORD>(bytes.size());
  record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  for (std::size_t i = 0; i < name.size(); ++i) {
    bytes[offset + 2 * i] = static_cast<std::uint8_t>(name[i]);
  }
  return bytes;
}

}  // namespace zentho::device::windows_hid::records
