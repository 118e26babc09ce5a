// The removal watch's window, its registration and its message loop.
#include "device/windows/notification_watch.h"

#include <cstddef>
#include <cstring>

#include "device/windows/hid_api.h"
#include "device/windows/hid_path.h"
#include "device/windows/win32_error.h"
#include "device/windows/windows_hid_device.h"

#include <dbt.h>

namespace zentho::device::windows_hid {
namespace {

constexpr char kWindowClass[] = "ZenthoIapRemovalWatch";

// The interface's name in the record. Windows may hand even an ANSI window the name in
// UTF-16; a path is ASCII, so a zero second byte tells the two apart.
std::string RecordName(const DEV_BROADCAST_DEVICEINTERFACE_A& record) {
  const auto* begin = reinterpret_cast<const char*>(&record);
  const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  if (record.dbcc_size <= offset) return {};
  const std::size_t room = record.dbcc_size - offset;
  const char* name = begin + offset;
  if (room >= 2 && name[0] != '\0' && name[1] == '\0') {
    std::string narrow;
    for (std::size_t i = 0; i + 1 < room && (name[i] != '\0' || name[i + 1] != '\0'); i += 2) {
      narrow.push_back(name[i + 1] == '\0' ? name[i] : '?');
    }
    return narrow;
  }
  return std::string(name, strnlen(name, room));
}

}  // namespace

bool IsRemovalOf(std::uintptr_t eventCode, const void* record, std::string_view path) {
  if (eventCode != DBT_DEVICEREMOVECOMPLETE || record == nullptr) return false;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(record);
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  const auto* deviceInterface = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(record);
  return SamePath(RecordName(*deviceInterface), path);
}

std::unique_ptr<NotificationWatch> NotificationWatch::Start(const std::string& path) {
  std::unique_ptr<NotificationWatch> watch(new NotificationWatch(path));
  std::promise<bool> ready;
  std::future<bool> started = ready.get_future();
  try {
    watch->thread_ = std::thread([&ready, raw = watch.get()] { raw->run(ready); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  if (!started.get()) {
    watch->thread_.join();
    return nullptr;
  }
  return watch;
}

NotificationWatch::~NotificationWatch() {
  if (window_ != nullptr) PostMessageA(static_cast<HWND>(window_), WM_CLOSE, 0, 0);
  if (thread_.joinable()) thread_.join();
}

void NotificationWatch::run(std::promise<bool>& ready) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(&NotificationWatch::WindowProcedure);
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  // A second watch finds the class registered already, which is no failure.
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

  // The whole HID interface class, as the search saw it; removals of other interfaces
  // are sorted out by name.
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

std::intptr_t __stdcall NotificationWatch::WindowProcedure(void* handle, unsigned message,
                                                          std::uintptr_t wParam,
                                                          std::intptr_t lParam) {
  HWND window = static_cast<HWND>(handle);
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NotificationWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_DEVICECHANGE:
      if (self != nullptr && IsRemovalOf(wParam, reinterpret_cast<const void*>(lParam), self->path_)) {
        self->flag_.raise();
      }
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
