// Start-up's socket check, the minimised icon's place and the worker's marshalling to
// the window's thread, on Windows (under Wine in CI).
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "app/win32/socket_start.h"
#include "app/win32/win32_services.h"
#include "app/win32/win32_window_thread.h"

namespace zentho::win32 {
namespace {

TEST(SocketLayerAccepted, OnlyAGrantOfExactlyOnePointOne) {
  struct Case {
    int result;
    std::uint16_t granted;  // minor number in the high byte
    bool accepted;
  };
  const Case cases[] = {
      {0, 0x0101, true},       // 1.1
      {0, 0x0202, false},      // 2.2
      {0, 0x0001, false},      // 1.0
      {0, 0x0201, false},      // 1.2
      {0, 0x0102, false},      // 2.1
      {10091, 0x0101, false},  // WSASYSNOTREADY
      {10092, 0x0000, false},  // WSAVERNOTSUPPORTED
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SocketLayerAccepted(c.result, c.granted), c.accepted)
        << c.result << " " << std::hex << c.granted;
  }
}

TEST(SocketLayerAccepted, TheSystemGrantsOnePointOne) {
  EXPECT_TRUE(StartSocketLayer());
  WSACleanup();
}

TEST(CentredIconOrigin, HalvesTheRoomLeftAndTruncatesTowardZero) {
  struct Case {
    int clientWidth, clientHeight, iconWidth, iconHeight;
    IconOrigin origin;
  };
  const Case cases[] = {
      {37, 37, 32, 32, {3, 3}},
      {36, 38, 32, 32, {2, 3}},
      {32, 32, 32, 32, {0, 0}},
      {0, 0, 32, 32, {-15, -15}},  // -31 / 2
      {160, 28, 32, 32, {64, -1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CentredIconOrigin(c.clientWidth, c.clientHeight, c.iconWidth, c.iconHeight), c.origin)
        << c.clientWidth << "x" << c.clientHeight;
  }
}

Win32WindowThread* g_relayed = nullptr;

LRESULT CALLBACK RelayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_relayed != nullptr && g_relayed->handle(message, lParam)) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

class WindowThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RelayProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZenthoWindowThreadTest";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    g_relayed = &thread_;
    thread_.attach(window_);
  }
  void TearDown() override {
    thread_.attach(nullptr);
    DestroyWindow(window_);
    g_relayed = nullptr;
  }
  // Runs this thread's messages until `done` holds.
  template <typename Done>
  void pumpUntil(Done done) {
    while (!done()) {
      MSG message;
      if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      }
    }
  }

  HWND window_ = nullptr;
  Win32WindowThread thread_;
};

TEST_F(WindowThreadTest, WorkersRequestsRunOnTheWindowsThreadInTheOrderSent) {
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<std::pair<int, DWORD>> ran;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) thread_.invoke([&, i] { ran.emplace_back(i, GetCurrentThreadId()); });
    thread_.post([&] { ran.emplace_back(3, GetCurrentThreadId()); });
    thread_.invoke([&] { ran.emplace_back(4, GetCurrentThreadId()); });
    finished = true;
  });
  pumpUntil([&] { return finished.load() && ran.size() == 5; });
  worker.join();
  ASSERT_EQ(ran.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ran[static_cast<std::size_t>(i)].first, i);
    EXPECT_EQ(ran[static_cast<std::size_t>(i)].second, windowThread);
  }
}

TEST_F(WindowThreadTest, OnTheWindowsThreadARequestRunsAtOnce) {
  bool ran = false;
  thread_.invoke([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(WindowThreadTest, EventsAfterTheWindowHasGoneAreDropped) {
  int ran = 0;
  thread_.post([&] { ++ran; });  // queued, then dropped with the window
  thread_.attach(nullptr);
  thread_.post([&] { ++ran; });
  std::thread worker([&] { thread_.invoke([&] { ++ran; }); });
  worker.join();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(ran, 0);
}

}  // namespace
}  // namespace zentho::win32
