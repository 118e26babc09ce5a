// CIapDlg: the main window's state and every handler of its event table, free of any
// toolkit; it reaches its controls only through WindowView.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "app/window/window_services.h"
#include "app/window/window_view.h"
#include "device/device_link.h"
#include "transfer/config_image.h"

namespace zentho::window {

class CIapDlg {
 public:
  // Sets MainWindowRef to the new object.
  explicit CIapDlg(const WindowServices& services);
  ~CIapDlg();
  CIapDlg(const CIapDlg&) = delete;
  CIapDlg& operator=(const CIapDlg&) = delete;

  // The toolkit's window, created after this object; must outlive it or be detached
  // with attachView(nullptr) only once no job runs.
  void attachView(WindowView* view) { view_ = view; }

  // Event table, in the order the window's events are listed; all on the window's thread.
  void OnSysCommand(std::uint32_t command, std::intptr_t parameter);
  void OnDownload();
  void OnBrowse();
  void OnClose();
  void OnTimer(unsigned timerId);
  void OnConnect();
  void OnChangeVendorId();
  void OnChangeProductId();
  int OnDeviceChange(unsigned eventCode, const void* eventRecord);
  bool OnInitDialog();
  // The dialog's own OK (Enter in an edit or on a radio button) and Cancel (Escape).
  void OnOK();
  void OnCancel();

  bool UpdateData(bool saveAndValidate);
  void UpdateElapsedTime();
  void LoadSettings();
  void SaveSettings();

  // True from a job's start until its worker has ended and been joined.
  bool jobRunning() const { return worker_.has_value(); }
  // True once the window has asked its view to end.
  bool ended() const { return ended_; }

  // Members, in the window's declaration order.
  LocalTime LastTickTime{};
  int ElapsedSeconds = 0;
  int ElapsedMinutes = 0;
  int ElapsedHours = 0;
  std::string FilePath;
  bool Connected = false;
  ::zentho::ConfigImage ConfigImage{};
  // Shared with a running session, which holds its own copy: releasing the link ends
  // the session's exchanges at once without pulling the object from under it.
  std::shared_ptr<device::DeviceLink> DeviceHandle;
  int DownloadMode = 0;
  std::string VendorIdText;
  std::string ProductIdText;
  std::uint32_t TargetVendorId = device::kOrvaneVendorId;
  std::uint32_t TargetProductId = device::kOrvaneProductId;

 private:
  // How the window was asked to end while a job ran; carried out when the worker ends.
  enum class PendingEnd : std::uint8_t { None, Ok, Cancel, Close };

  WindowView& view() { return *view_; }
  void DownloadThread(const DownloadRequest& request,
                      const std::shared_ptr<device::DeviceLink>& link, std::stop_token stop);
  void OnJobEnded();
  void FailJobWithoutWorker();
  void WatchForRemoval(const std::shared_ptr<device::DeviceLink>& link);
  void OnLinkRemoved(const std::weak_ptr<device::DeviceLink>& link);
  void ReleaseLink();
  // Releases the link, logs `message` and leaves the controls Disconnected.
  void EndLink(std::string_view message);
  void EndWindow(PendingEnd how);
  void FinishClose();

  WindowServices services_;
  WindowView* view_ = nullptr;
  bool exchanging_ = false;
  bool ended_ = false;
  PendingEnd pendingEnd_ = PendingEnd::None;
  // A Connect that succeeded while a job ran: Download comes back when the job ends.
  bool downloadAfterJob_ = false;
  std::optional<std::jthread> worker_;
};

// The process-wide reference to the one main window: set by its constructor, cleared by
// OnClose (and by its destructor, so that it never names a window that is gone).
CIapDlg* MainWindowRef();

}  // namespace zentho::window
