// The notification window, its registration and its message loop.
#include "device/windows/notification_window.h"

#include <cstddef>
#include <cstring>

#include "device/windows/hid_api.h"
#include "device/windows/windows_hid_device.h"
#include "base/os_result.h"

#include <dbt.h>

namespace zentho::device::windows_hid {
namespace {

constexpr char kWindowClass[] = "ZenthoIapDeviceNotifications";

}  // namespace

std::optional<std::string> InterfaceName(const void* record) {
  if (record == nullptr) return std::nullopt;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(record);
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return std::nullopt;
  const auto& deviceInterface = *static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(record);
  const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  if (deviceInterface.dbcc_size <= offset) return std::string();
  const std::size_t room = deviceInterface.dbcc_size - offset;
  const char* name = static_cast<const char*>(record) + offset;
  // A path is ASCII, so a zero second byte tells UTF-16 from ANSI.
  if (room >= 2 && name[0] != '\0' && name[1] == '\0') {
    std::string narrow;
    for (std::size_t i = 0; i + 1 < room && (name[i] != '\0' || name[i + 1] != '\0'); i += 2) {
      const bool ascii = name[i + 1] == '\0' && static_cast<unsigned char>(name[i]) < 0x80;
      narrow.push_back(ascii ? name[i] : '?');
    }
    return narrow;
  }
  return std::string(name, strnlen(name, room));
}

std::unique_ptr<NotificationWindow> NotificationWindow::Start(Handler handler) {
  std::unique_ptr<NotificationWindow> window(new NotificationWindow(std::move(handler)));
  std::promise<bool> ready;
  std::future<bool> started = ready.get_future();
  try {
    window->thread_ = std::thread([&ready, raw = window.get()] { raw->run(ready); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  if (!started.get()) {
    window->thread_.join();
    return nullptr;
  }
  return window;
}

NotificationWindow::~NotificationWindow() {
  if (window_ != nullptr) PostMessageA(static_cast<HWND>(window_), WM_CLOSE, 0, 0);
  if (thread_.joinable()) thread_.join();
}

void NotificationWindow::run(std::promise<bool>& ready) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(&NotificationWindow::WindowProcedure);
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  // A second window finds the class registered already, which is no failure.
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    DebugLine("RegisterClassA: " + LastErrorText());
    ready.set_value(false);
    return;
  }
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, this);
  if (window == nullptr) {
    DebugLine("CreateWindowExA: " + LastErrorText());
    ready.set_value(false);
    return;
  }
  window_ = window;

  // The whole HID interface class, as the search sees it; the handler sorts by name.
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  HidD_GetHidGuid(&filter.dbcc_classguid);
  registration_ = RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (registration_ == nullptr) DebugLine("RegisterDeviceNotificationA: " + LastErrorText());
  ready.set_value(true);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

std::intptr_t __stdcall NotificationWindow::WindowProcedure(void* handle, unsigned message,
                                                           std::uintptr_t wParam,
                                                           std::intptr_t lParam) {
  HWND window = static_cast<HWND>(handle);
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NotificationWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_DEVICECHANGE:
      if (self != nullptr && self->handler_) self->handler_(wParam, reinterpret_cast<const void*>(lParam));
      // Never refuse a request to remove a device.
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (self != nullptr && self->registration_ != nullptr) {
        UnregisterDeviceNotification(self->registration_);
        self->registration_ = nullptr;
      }
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace zentho::device::windows_hid
