// The removal watch on the notification window.
#include "device/windows/notification_watch.h"

#include <windows.h>

#include <dbt.h>

#include "device/windows/hid_path.h"

namespace zentho::device::windows_hid {

bool IsRemovalOf(std::uintptr_t eventCode, const void* record, std::string_view path) {
  if (eventCode != DBT_DEVICEREMOVECOMPLETE) return false;
  const std::optional<std::string> name = InterfaceName(record);
  return name && SamePath(*name, path);
}

std::unique_ptr<NotificationWatch> NotificationWatch::Start(const std::string& path) {
  std::unique_ptr<NotificationWatch> watch(new NotificationWatch(path));
  watch->window_ = NotificationWindow::Start([raw = watch.get()](std::uintptr_t event, const void* record) {
    if (IsRemovalOf(event, record, raw->path_)) raw->flag_.raise();
  });
  if (!watch->window_) return nullptr;
  return watch;
}

}  // namespace zentho::device::windows_hid
