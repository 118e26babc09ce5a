// What device paths, instance IDs and property values say, and how notifications are
// named as the list names the interfaces. Runs in the Linux build too: none of it needs
// Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/windows/hid_path.h"
#include "device/windows/interface_change_names.h"
#include "device/windows/usb_location.h"
#include "tests/device/windows/interface_path.h"

namespace zentho::device::windows_hid {
namespace {

using records::kHidInterfacePath;
constexpr char kUpperPath[] =
    R"(\\?\HID#VID_4A5D&PID_7310#7&1A2B3C4D&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030})";

struct PathCase {
  const char* path;
  std::optional<HidIds> ids;
};

TEST(IdsFromPath, ReadsVendorAndProductInAnyCase) {
  const PathCase cases[] = {
      {kHidInterfacePath, HidIds{0x4A5D, 0x7310}},
      {R"(\\?\HID#VID_4A5D&PID_7310&MI_01#8&abc#{4d1e55b2-f16f-11cf-88cb-001111000030})", HidIds{0x4A5D, 0x7310}},
      {R"(\\?\hid#vid_ffff&pid_0001#x)", HidIds{0xFFFF, 0x0001}},
      {R"(\\?\hid#vid_4a5d#x)", std::nullopt},            // no product ID
      {R"(\\?\hid#vid_4a5g&pid_7310#x)", std::nullopt},   // not hexadecimal
      {R"(\\?\hid#vid_4a5&pid_7310#x)", std::nullopt},    // three digits
      {R"(\\?\hid#wine_hid#x)", std::nullopt},
      {"", std::nullopt},
  };
  for (const PathCase& c : cases) EXPECT_EQ(IdsFromPath(c.path), c.ids) << c.path;
}

TEST(SamePath, IgnoresCaseOnly) {
  EXPECT_TRUE(SamePath(kHidInterfacePath, kUpperPath));
  EXPECT_FALSE(SamePath(kHidInterfacePath, R"(\\?\hid#vid_4a5d&pid_7310#7&1a2b3c4d&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})"));
  EXPECT_FALSE(SamePath(kHidInterfacePath, std::string(kHidInterfacePath) + "x"));
  EXPECT_FALSE(SamePath("", kHidInterfacePath));
}

TEST(SerialFromInstanceId, OnlyAWholeUsbDeviceWithASerialOfItsOwn) {
  struct Case {
    const char* id;
    bool usbDevice;
    const char* serial;
  };
  const Case cases[] = {
      {R"(USB\VID_4A5D&PID_7310\SN0042)", true, "SN0042"},
      {R"(usb\vid_4a5d&pid_7310\0123456789abcdef)", true, "0123456789abcdef"},
      {R"(USB\VID_4A5D&PID_7310\5&2A1B3C&0&2)", true, ""},      // made up by Windows
      {R"(USB\VID_4A5D&PID_7310&MI_00\6&1F2E&0&0000)", false, ""},  // a function of it
      {R"(HID\VID_4A5D&PID_7310\7&1A2B3C4D&0&0000)", false, ""},
      {R"(WINEBUS\VID_845E&PID_0001\0&default&0&0)", false, ""},
      {R"(USB\ROOT_HUB30\4&1B2C&0&0)", true, ""},
      {R"(USB\VID_4A5D&PID_7310\)", false, ""},
      {R"(USB\VID_4A5D&PID_7310\SN\1)", false, ""},
      {R"(USB\\SN1)", false, ""},
      {"USB", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUsbDeviceInstance(c.id), c.usbDevice) << c.id;
    EXPECT_EQ(SerialFromInstanceId(c.id), c.serial) << c.id;
  }
}

TEST(FirstOfMultiString, TheFirstStringUpToItsNul) {
  struct Case {
    std::vector<char> value;
    std::string first;
  };
  const auto bytes = [](std::string_view text) { return std::vector<char>(text.begin(), text.end()); };
  const Case cases[] = {
      {bytes(std::string_view("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)\0ACPI(_SB_)#USB(3)\0\0", 66)),
       "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)"},
      {bytes(std::string_view("Port_#0003.Hub_#0002\0", 21)), "Port_#0003.Hub_#0002"},
      {bytes("USB(2)"), "USB(2)"},  // no terminator: up to the end
      {bytes(std::string_view("\0\0", 2)), ""},
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FirstOfMultiString(c.value), c.first);
}

TEST(ConfigRetText, NameAndNumber) {
  EXPECT_EQ(ConfigRetText(0x0D), "CR_NO_SUCH_DEVNODE (configuration manager error 13)");
  EXPECT_EQ(ConfigRetText(0x25), "CR_NO_SUCH_VALUE (configuration manager error 37)");
  EXPECT_EQ(ConfigRetText(0x35), "CR_INVALID_PROPERTY (configuration manager error 53)");
  EXPECT_EQ(ConfigRetText(0x99), "configuration manager error 153");
}

TEST(PathSpellings, TheListsSpellingOtherwiseLowerCase) {
  PathSpellings spellings;
  const std::string mixed = R"(\\?\HID#Wine_Hid#1&2#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  spellings.learn(mixed);
  EXPECT_TRUE(spellings.knows(R"(\\?\hid#wine_hid#1&2#{4D1E55B2-F16F-11CF-88CB-001111000030})"));
  EXPECT_EQ(spellings.spell(R"(\\?\hid#WINE_HID#1&2#{4d1e55b2-f16f-11cf-88cb-001111000030})"), mixed);
  EXPECT_EQ(spellings.spell(kUpperPath), kHidInterfacePath);
  EXPECT_FALSE(spellings.knows(kHidInterfacePath));
  spellings.forget(R"(\\?\hid#wine_hid#1&2#{4d1e55b2-f16f-11cf-88cb-001111000030})");
  EXPECT_FALSE(spellings.knows(mixed));
  EXPECT_EQ(spellings.spell(mixed), R"(\\?\hid#wine_hid#1&2#{4d1e55b2-f16f-11cf-88cb-001111000030})");
}

TEST(InterfaceChangeNames, NamesEachChangeAsTheListDoesAndListsOnlyForNewArrivals) {
  const std::string present = R"(\\?\hid#vid_046d&pid_c077#7&2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  std::vector<std::string> listed{present};
  int lists = 0;
  InterfaceChangeNames names([&] {
    ++lists;
    return listed;
  });
  EXPECT_EQ(lists, 1);
  using Kind = InterfaceChange::Kind;
  std::string presentUpper = present;
  for (char& c : presentUpper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  // Present before the watch began: its departure is named from the first list.
  EXPECT_EQ(names.change(kDeviceRemoveComplete, presentUpper), (InterfaceChange{Kind::Departed, present}));
  EXPECT_EQ(lists, 1);

  // A new board: listed again, in the list's spelling.
  listed = {kHidInterfacePath};
  EXPECT_EQ(names.change(kDeviceArrival, kUpperPath), (InterfaceChange{Kind::Arrived, kHidInterfacePath}));
  EXPECT_EQ(lists, 2);
  // Heard again (a second notification of the same arrival): no new list.
  EXPECT_EQ(names.change(kDeviceArrival, kUpperPath), (InterfaceChange{Kind::Arrived, kHidInterfacePath}));
  EXPECT_EQ(lists, 2);
  EXPECT_EQ(names.change(kDeviceRemoveComplete, kUpperPath), (InterfaceChange{Kind::Departed, kHidInterfacePath}));

  // Gone again before the list showed it: lower case, the list's way for HID paths.
  listed = {};
  const std::string quick = R"(\\?\HID#VID_4A5D&PID_7310#9&Q#{X})";
  EXPECT_EQ(names.change(kDeviceArrival, quick), (InterfaceChange{Kind::Arrived, R"(\\?\hid#vid_4a5d&pid_7310#9&q#{x})"}));
  EXPECT_EQ(lists, 3);
  EXPECT_EQ(names.change(kDeviceRemoveComplete, quick), (InterfaceChange{Kind::Departed, R"(\\?\hid#vid_4a5d&pid_7310#9&q#{x})"}));

  // Other codes and nameless records are no change.
  EXPECT_EQ(names.change(0x8001, kHidInterfacePath), std::nullopt);  // query remove
  EXPECT_EQ(names.change(0x8003, kHidInterfacePath), std::nullopt);  // remove pending
  EXPECT_EQ(names.change(0x0007, kHidInterfacePath), std::nullopt);  // devnodes changed
  EXPECT_EQ(names.change(kDeviceArrival, ""), std::nullopt);
  EXPECT_EQ(lists, 3);
}

}  // namespace
}  // namespace zentho::device::windows_hid
