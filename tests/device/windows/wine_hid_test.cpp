// The Windows backend against the system's own HID interfaces (Wine's virtual ones in
// CI), and the removal and arrival watches driven with crafted WM_DEVICECHANGE messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <atomic>
#include <optional>
#include <cstring>
#include <vector>

#include "device/device_link.h"
#include "device/find_device.h"
#include "device/interface_survey.h"
#include "device/link_messages.h"
#include "device/system_hid_platform.h"
#include "device/windows/interface_arrival_watch.h"
#include "device/windows/notification_watch.h"
#include "tests/device/windows/broadcast_records.h"

namespace zentho::device::windows_hid {
namespace {

using records::InterfaceRecord;
using records::WideInterfaceRecord;

// The process's open handles, counted by probing every handle value: Wine's
// GetProcessHandleCount answers 0 whatever is open. Handle values are multiples of 4.
DWORD HandleCount() {
  DWORD count = 0;
  for (std::uintptr_t value = 4; value < (1u << 14); value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// The count once the system's background work on its own handles has stopped: two probes
// a tenth of a second apart agree (at most five seconds of probing).
DWORD SettledHandleCount() {
  DWORD count = HandleCount();
  for (int probes = 0; probes < 50; ++probes) {
    Sleep(100);
    const DWORD again = HandleCount();
    if (again == count) break;
    count = again;
  }
  return count;
}

TEST(SystemHidSearch, OpensChecksAndClosesEveryInterfaceAndLeavesNoHandle) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  // The first list builds the system's own caches; count from the second on.
  SurveyInterfaces(*platform);
  const DWORD before = HandleCount();

  const std::vector<InterfaceReport> reports = SurveyInterfaces(*platform);
  ASSERT_FALSE(reports.empty()) << "the system lists no HID interface at all";
  for (const InterfaceReport& report : reports) {
    EXPECT_EQ(report.status, InterfaceSlot::Status::Path);
    EXPECT_EQ(report.path.rfind(R"(\\?\)", 0), 0u) << report.path;
    if (report.openable) {
      EXPECT_TRUE(report.ids.has_value()) << report.path;
    } else {
      EXPECT_FALSE(report.openError.empty()) << report.path;
    }
  }

  std::string log;
  std::shared_ptr<DeviceLink> link = FindDevice(*platform, kOrvaneVendorId, kOrvaneProductId,
                                                [&](std::string_view text) { log += text; });
  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(log, msg::kEnumDeviceOver);
  EXPECT_EQ(HandleCount(), before);
}

// The system's own interfaces (Wine's virtual mouse and keyboard in CI) are looked at
// through a handle without read or write access, and passed over by their caps.
std::optional<InterfaceReport> FirstOpenable(HidPlatform& platform) {
  for (const InterfaceReport& report : SurveyInterfaces(platform)) {
    if (report.openable && report.ids) return report;
  }
  return std::nullopt;
}

TEST(SystemHidSearch, PassesOverOtherCollectionsWithTheirIdsWithoutAWord) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  const std::optional<InterfaceReport> first = FirstOpenable(*platform);
  if (!first) GTEST_SKIP() << "no HID interface of the system can be opened";
  EXPECT_EQ(first->unsuitable, std::optional<std::string>(msg::kNotDownloadInterface)) << first->path;
  const DWORD before = HandleCount();
  std::string log;
  std::string trace;
  std::shared_ptr<DeviceLink> link = FindDevice(
      *platform, first->ids->vendorId, first->ids->productId,
      [&](std::string_view text) { log += text; }, [&](std::string_view text) { trace += text; });
  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(log, msg::kEnumDeviceOver);
  EXPECT_EQ(trace, "");
  EXPECT_EQ(HandleCount(), before);
}

TEST(SystemHidLink, ClaimsAnInterfaceForReportsAndReleasesItsHandles) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  const std::optional<InterfaceReport> first = FirstOpenable(*platform);
  if (!first) GTEST_SKIP() << "no HID interface of the system can be opened";
  const auto link = [&]() -> std::shared_ptr<DeviceLink> {
    OpenResult opened = platform->open(first->path);
    if (!opened) return nullptr;
    const OsResult<void> claimed = opened.value()->claim();
    EXPECT_TRUE(claimed) << claimed.reason();
    if (!claimed) return nullptr;
    std::unique_ptr<RemovalWatch> watch = platform->watchRemoval(*opened.value());
    return std::make_shared<DeviceLink>(std::move(opened.value()), *first->ids, std::move(watch));
  };
  // The first registration for notifications sets up the process's own channel to the
  // system's device service, which stays; Wine finishes it in the background, a few
  // handles at a time. Count from after a whole link and release, once that is done.
  link().reset();
  const DWORD before = SettledHandleCount();
  std::shared_ptr<DeviceLink> held = link();
  ASSERT_NE(held, nullptr);
  EXPECT_NE(held->removalWatch(), nullptr);
  // The link holds its handle and the watch its thread and window.
  EXPECT_GT(HandleCount(), before);
  held->release();
  EXPECT_TRUE(held->closed());
  // Exchanges after the release fail without touching the closed handle.
  std::vector<std::uint8_t> report(8, 0);
  report[0] = 1;
  EXPECT_FALSE(held->getInputReport(report));
  held.reset();
  EXPECT_EQ(SettledHandleCount(), before);
}

TEST(SystemHidOpen, KeepsTheSystemsReasonForAFailedOpen) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  const OpenResult opened = platform->open(R"(\\?\hid#vid_4a5d&pid_7310#nowhere#{4d1e55b2-f16f-11cf-88cb-001111000030})");
  EXPECT_FALSE(opened);
  EXPECT_NE(opened.reason().find("(error "), std::string::npos) << opened.reason();
}

constexpr char kConnected[] =
    R"(\\?\hid#vid_4a5d&pid_7310#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";



std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

LRESULT Send(void* window, WPARAM event, const std::vector<std::uint8_t>& record) {
  return SendMessageA(static_cast<HWND>(window), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.data()));
}

LRESULT Send(NotificationWatch& watch, WPARAM event, const std::vector<std::uint8_t>& record) {
  return SendMessageA(static_cast<HWND>(watch.window()), WM_DEVICECHANGE, event,
                      reinterpret_cast<LPARAM>(record.data()));
}

TEST(NotificationWatch, OnlyTheConnectedPathsRemovalEndsTheLink) {
  std::unique_ptr<NotificationWatch> watch = NotificationWatch::Start(kConnected);
  ASSERT_NE(watch, nullptr);
  std::atomic<int> notified{0};
  watch->setNotify([&] { ++notified; });

  const std::string other = R"(\\?\hid#vid_046d&pid_c077#7&2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  EXPECT_EQ(Send(*watch, DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(other)), TRUE);
  EXPECT_EQ(Send(*watch, DBT_DEVICEARRIVAL, InterfaceRecord(kConnected)), TRUE);
  EXPECT_FALSE(watch->removed());
  EXPECT_EQ(notified.load(), 0);

  EXPECT_EQ(Send(*watch, DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(Upper(kConnected))), TRUE);
  EXPECT_TRUE(watch->removed());
  EXPECT_EQ(notified.load(), 1);
  // A second removal record changes nothing.
  Send(*watch, DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(kConnected));
  EXPECT_EQ(notified.load(), 1);
}

TEST(NotificationWatch, EndingTheWatchLeavesNoHandleBehind) {
  NotificationWatch::Start(kConnected).reset();  // the window class is registered once
  const DWORD before = HandleCount();
  for (int i = 0; i < 5; ++i) {
    std::unique_ptr<NotificationWatch> watch = NotificationWatch::Start(kConnected);
    ASSERT_NE(watch, nullptr);
    EXPECT_TRUE(IsWindow(static_cast<HWND>(watch->window())));
  }
  EXPECT_EQ(HandleCount(), before);
}

TEST(SystemHidList, WhereEachInterfaceSitsIsKnownOrEmpty) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  std::unique_ptr<InterfaceList> list = platform->listInterfaces();
  std::size_t count = 0;
  for (std::size_t i = 0; std::optional<InterfaceSlot> slot = list->at(i); ++i, ++count) {
    // Wine's virtual HID devices hang off its own bus, not USB: nothing to tell.
    EXPECT_EQ(slot->portPath, "") << slot->path;
    EXPECT_EQ(slot->serialNumber, "") << slot->path;
  }
  EXPECT_GT(count, 0u);
}

TEST(InterfaceArrivalWatch, NamesArrivalsAndDeparturesAsTheListDoes) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  std::unique_ptr<InterfaceList> list = platform->listInterfaces();
  const std::optional<InterfaceSlot> first = list->at(0);
  ASSERT_TRUE(first.has_value()) << "the system lists no HID interface at all";
  const std::string listed = first->path;

  std::unique_ptr<ArrivalWatch> started = platform->watchArrivals();
  auto* watch = dynamic_cast<InterfaceArrivalWatch*>(started.get());
  ASSERT_NE(watch, nullptr);
  EXPECT_TRUE(watch->registered());
  std::atomic<int> notified{0};
  watch->setNotify([&] { ++notified; });

  using Kind = InterfaceChange::Kind;
  const std::string unknown = R"(\\?\HID#VID_4A5D&PID_7310#9&ABC&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030})";
  EXPECT_EQ(Send(watch->window(), DBT_DEVICEARRIVAL, WideInterfaceRecord(Upper(listed))), TRUE);
  EXPECT_EQ(Send(watch->window(), DBT_DEVICEQUERYREMOVE, InterfaceRecord(listed)), TRUE);
  EXPECT_EQ(Send(watch->window(), DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(listed, DBT_DEVTYP_VOLUME)), TRUE);
  EXPECT_EQ(Send(watch->window(), DBT_DEVICEARRIVAL, InterfaceRecord(unknown)), TRUE);
  EXPECT_EQ(Send(watch->window(), DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(Upper(listed))), TRUE);
  EXPECT_EQ(notified.load(), 3);
  std::string lower = unknown;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(watch->take(), (std::vector<InterfaceChange>{{Kind::Arrived, listed},
                                                         {Kind::Arrived, lower},
                                                         {Kind::Departed, listed}}));
  EXPECT_TRUE(watch->take().empty());
}

TEST(InterfaceArrivalWatch, EndingTheWatchLeavesNoHandleBehind) {
  std::unique_ptr<HidPlatform> platform = MakeSystemHidPlatform();
  platform->watchArrivals().reset();
  const DWORD before = HandleCount();
  for (int i = 0; i < 5; ++i) {
    std::unique_ptr<ArrivalWatch> watch = platform->watchArrivals();
    ASSERT_NE(watch, nullptr);
  }
  EXPECT_EQ(HandleCount(), before);
}

}  // namespace
}  // namespace zentho::device::windows_hid
