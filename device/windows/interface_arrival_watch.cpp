// The arrival watch on the notification window.
#include "device/windows/interface_arrival_watch.h"

#include <windows.h>

#include <dbt.h>

namespace zentho::device::windows_hid {

static_assert(kDeviceArrival == DBT_DEVICEARRIVAL && kDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);

std::unique_ptr<InterfaceArrivalWatch> InterfaceArrivalWatch::Start(InterfaceChangeNames::ListPaths listPaths) {
  std::unique_ptr<InterfaceArrivalWatch> watch(new InterfaceArrivalWatch(std::move(listPaths)));
  watch->window_ = NotificationWindow::Start([raw = watch.get()](std::uintptr_t event, const void* record) {
    const std::optional<std::string> name = InterfaceName(record);
    if (!name) return;
    if (std::optional<InterfaceChange> change = raw->names_.change(event, *name)) {
      raw->queue_.push(std::move(*change));
    }
  });
  if (!watch->window_) return nullptr;
  return watch;
}

}  // namespace zentho::device::windows_hid
