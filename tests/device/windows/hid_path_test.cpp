// Which WM_DEVICECHANGE records mean that the connected interface has gone, the names
// they carry, and the system's error texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <cstring>
#include <vector>

#include "device/windows/notification_window.h"
#include "device/windows/notification_watch.h"
#include "tests/device/windows/broadcast_records.h"
#include "tests/device/windows/interface_path.h"
#include "base/os_result.h"

namespace zentho::device::windows_hid {
namespace {

using records::InterfaceRecord;
using records::WideInterfaceRecord;

using records::kHidInterfacePath;



TEST(IsRemovalOf, OnlyTheConnectedInterfacesRemoval) {
  const std::string upper = R"(\\?\HID#VID_4A5D&PID_7310#7&1A2B3C4D&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030})";
  const std::string other = R"(\\?\hid#vid_046d&pid_c077#7&2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  struct Case {
    const char* what;
    std::uintptr_t event;
    std::vector<std::uint8_t> record;
    bool removal;
  };
  const Case cases[] = {
      {"connected path", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(kHidInterfacePath), true},
      {"connected path in other case", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(upper), true},
      {"connected path in UTF-16", DBT_DEVICEREMOVECOMPLETE, WideInterfaceRecord(kHidInterfacePath), true},
      {"another interface", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(other), false},
      {"arrival of the connected path", DBT_DEVICEARRIVAL, InterfaceRecord(kHidInterfacePath), false},
      {"query remove", DBT_DEVICEQUERYREMOVE, InterfaceRecord(kHidInterfacePath), false},
      {"a volume", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(kHidInterfacePath, DBT_DEVTYP_VOLUME), false},
      {"empty name", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(""), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsRemovalOf(c.event, c.record.data(), kHidInterfacePath), c.removal) << c.what;
  }
  EXPECT_FALSE(IsRemovalOf(DBT_DEVICEREMOVECOMPLETE, nullptr, kHidInterfacePath));
}

TEST(InterfaceName, AnsiOrUtf16NamesOfInterfaceRecordsOnly) {
  EXPECT_EQ(InterfaceName(InterfaceRecord(kHidInterfacePath).data()), kHidInterfacePath);
  EXPECT_EQ(InterfaceName(WideInterfaceRecord(kHidInterfacePath).data()), kHidInterfacePath);
  // A UTF-16 letter outside ASCII shows as '?'.
  std::vector<std::uint8_t> wide = WideInterfaceRecord("ab");
  const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  wide[offset + 3] = 0x04;  // U+0462 in place of 'b'
  EXPECT_EQ(InterfaceName(wide.data()), "a?");
  // A record cut short of its name: an empty name.
  std::vector<std::uint8_t> cut = InterfaceRecord(kHidInterfacePath);
  reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(cut.data())->dbcc_size = static_cast<DWORD>(offset);
  EXPECT_EQ(InterfaceName(cut.data()), "");
  EXPECT_EQ(InterfaceName(InterfaceRecord(kHidInterfacePath, DBT_DEVTYP_VOLUME).data()), std::nullopt);
  EXPECT_EQ(InterfaceName(nullptr), std::nullopt);
}

TEST(Win32ErrorText, SystemTextThenCode) {
  const std::string text = Win32ErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_NE(text.find(" (error 2)"), std::string::npos) << text;
  EXPECT_GT(text.size(), std::string(" (error 2)").size()) << text;
  EXPECT_NE(text.back(), '\n');
  // A code without text of its own still says which it was.
  EXPECT_EQ(Win32ErrorText(0x2FFFFFFF), "Unknown error (error 805306367)");
}

}  // namespace
}  // namespace zentho::device::windows_hid
