// CIapDlg's life: construction, initialisation, data exchange, system commands and the
// three ways the window ends.
#include "app/window/iap_dlg.h"

#include "app/window/control_ids.h"
#include "app/window/window_strings.h"
#include "device/link_messages.h"

namespace zentho::window {
namespace {

// Written only on the window's thread; read by any.
std::atomic<CIapDlg*> g_mainWindow{nullptr};

}  // namespace

CIapDlg* MainWindowRef() { return g_mainWindow.load(); }

CIapDlg::CIapDlg(const WindowServices& services)
    : VendorIdText(text::kDefaultVendorIdText),
      ProductIdText(text::kDefaultProductIdText),
      services_(services) {
  g_mainWindow.store(this);
}

CIapDlg::~CIapDlg() {
  // The toolkit ends the window only after the job, so this join finds the worker gone;
  // it guards an owner that breaks that rule from a worker writing into freed memory.
  if (worker_) {
    worker_->request_stop();
    worker_->join();
  }
  ReleaseLink();
  CIapDlg* self = this;
  g_mainWindow.compare_exchange_strong(self, nullptr);
}

bool CIapDlg::OnInitDialog() {
  UpdateData(false);
  view().addAboutItem(text::kAboutItem, kIdmAboutBox);
  view().setWindowIcons();
  view().showResult(ResultState::Idle);
  view().setBrowseIcon();
  LoadSettings();
  view().enable(kIdcFilePath, true);
  view().enable(kIdcBrowse, true);
  view().enable(kIdcDownload, false);
  view().enable(kIdcConnect, true);
  Connected = false;
  return true;
}

bool CIapDlg::UpdateData(bool saveAndValidate) {
  // The edits' change notifications that loading the texts sends are not the operator's.
  exchanging_ = true;
  if (saveAndValidate) {
    DownloadMode = -1;
    for (std::size_t position = 0; position < kModeGroup.size(); ++position) {
      if (view().isChecked(kModeGroup[position])) {
        DownloadMode = static_cast<int>(position);
        break;
      }
    }
    VendorIdText = view().text(kIdcVendorId);
    ProductIdText = view().text(kIdcProductId);
  } else {
    for (std::size_t position = 0; position < kModeGroup.size(); ++position) {
      view().setChecked(kModeGroup[position], static_cast<int>(position) == DownloadMode);
    }
    // Rewriting an unchanged text would move the operator's caret and selection.
    if (view().text(kIdcVendorId) != VendorIdText) view().setText(kIdcVendorId, VendorIdText);
    if (view().text(kIdcProductId) != ProductIdText) view().setText(kIdcProductId, ProductIdText);
  }
  exchanging_ = false;
  return true;
}

void CIapDlg::OnSysCommand(std::uint32_t command, std::intptr_t parameter) {
  if ((command & kSysCommandMask) == kIdmAboutBox) {
    view().showAbout();
  } else {
    view().defaultSysCommand(command, parameter);
  }
}

void CIapDlg::OnClose() {
  services_.trace.line(device::msg::kTraceOnClose);
  // Stopping a download can leave the device without a complete image: only the
  // operator's Yes does it. A close already on its way is not asked again.
  if (jobRunning() && pendingEnd_ != PendingEnd::Close &&
      !view().askYesNo(text::kStopDownloadQuestion)) {
    return;
  }
  EndWindow(PendingEnd::Close);
}

// Enter and Escape end the window only between downloads: a stray key must never
// abort a bootloader flash.
void CIapDlg::OnOK() {
  if (jobRunning()) return;
  UpdateData(true);
  EndWindow(PendingEnd::Ok);
}

void CIapDlg::OnCancel() {
  if (jobRunning()) return;
  EndWindow(PendingEnd::Cancel);
}

void CIapDlg::EndWindow(PendingEnd how) {
  if (ended_) return;
  if (jobRunning()) {
    // The window waits for the worker without blocking: the session is told to stop
    // and OnJobEnded finishes the end. A close request outranks OK and Cancel, since
    // only it saves the settings.
    if (pendingEnd_ != PendingEnd::Close) pendingEnd_ = how;
    worker_->request_stop();
    return;
  }
  if (how == PendingEnd::Close) FinishClose();
  ended_ = true;
  view().endWindow(how == PendingEnd::Ok ? DialogResult::Ok : DialogResult::Cancel);
}

void CIapDlg::FinishClose() {
  ReleaseLink();
  CIapDlg* self = this;
  g_mainWindow.compare_exchange_strong(self, nullptr);
  SaveSettings();
}

void CIapDlg::ReleaseLink() {
  if (!DeviceHandle) return;
  // Also ends the removal watch, which stands for the notification registration.
  DeviceHandle->release();
  DeviceHandle.reset();
}

}  // namespace zentho::window
