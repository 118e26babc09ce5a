// The window's side of the device link: Connect/Disconnect, removal and the ID boxes.
#include "app/window/control_ids.h"
#include "app/window/hex_id.h"
#include "app/window/iap_dlg.h"
#include "app/window/window_strings.h"
#include "device/find_device.h"
#include "device/link_messages.h"

namespace zentho::window {

void CIapDlg::OnConnect() {
  view().clearLog();
  if (Connected) {
    EndLink(device::msg::kDisconnectDevice);
    return;
  }
  std::shared_ptr<device::DeviceLink> link =
      device::FindDevice(
          services_.platform, TargetVendorId, TargetProductId,
          [this](std::string_view message) { view().appendLog(message); },
          [this](std::string_view line) { services_.trace.line(line); });
  if (!link) {
    view().enable(kIdcDownload, false);
    view().enable(kIdcConnect, true);
    view().appendLog(device::msg::kDeviceNotFound);
    return;
  }
  DeviceHandle = link;
  WatchForRemoval(link);
  view().appendLog(device::msg::kFindDevice);
  view().setText(kIdcConnect, text::kDisconnect);
  // One session per window: a link that comes up during a job offers Download only
  // once that job has ended.
  if (jobRunning()) {
    downloadAfterJob_ = true;
  } else {
    view().enable(kIdcDownload, true);
  }
  Connected = true;
}

int CIapDlg::OnDeviceChange(unsigned eventCode, const void* /*eventRecord*/) {
  // Only the removal of the connected device reaches here as 0x8004 (the removal watch
  // looks at which device went); with no link up there is nothing to end, so an
  // unplugged mouse or keyboard never disturbs the window.
  if (eventCode != kDbtDeviceRemoveComplete || !DeviceHandle) return 1;
  EndLink(device::msg::kDeviceUnplugged);
  return 1;
}

void CIapDlg::EndLink(std::string_view message) {
  ReleaseLink();
  view().appendLog(message);
  view().setText(kIdcConnect, text::kConnect);
  view().enable(kIdcDownload, false);
  view().enable(kIdcConnect, true);
  Connected = false;
  downloadAfterJob_ = false;
}

void CIapDlg::WatchForRemoval(const std::shared_ptr<device::DeviceLink>& link) {
  device::RemovalWatch* watch = link->removalWatch();
  if (watch == nullptr) return;
  WindowThread& windowThread = services_.windowThread;
  std::weak_ptr<device::DeviceLink> watched = link;
  // The watch calls from its own thread; the event is handled on the window's.
  watch->setNotify([this, &windowThread, watched] {
    windowThread.post([this, watched] { OnLinkRemoved(watched); });
  });
}

void CIapDlg::OnLinkRemoved(const std::weak_ptr<device::DeviceLink>& link) {
  // News of a link the operator has since disconnected (or replaced) is stale: acting
  // on it would cut the link that is up now.
  const std::shared_ptr<device::DeviceLink> removed = link.lock();
  if (!removed || removed != DeviceHandle) return;
  OnDeviceChange(kDbtDeviceRemoveComplete, nullptr);
}

void CIapDlg::OnChangeVendorId() {
  if (exchanging_) return;
  TargetVendorId = ParseSaturatingHexId(view().text(kIdcVendorId));
}

void CIapDlg::OnChangeProductId() {
  if (exchanging_) return;
  TargetProductId = ParseSaturatingHexId(view().text(kIdcProductId));
}

}  // namespace zentho::window
