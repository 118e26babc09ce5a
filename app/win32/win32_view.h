// The view seam on the main dialog's Win32 controls.
#pragma once

#include <windows.h>

#include "app/window/iap_dlg.h"
#include "app/window/window_view.h"

namespace zentho::win32 {

// Centres `window` over `over` (the work area of its screen when null), kept within that
// work area: the main window on the screen, the About box over the main window.
void CentreWindow(HWND window, HWND over);

class Win32View final : public window::WindowView {
 public:
  Win32View(HWND dialog, window::CIapDlg& dlg) : dialog_(dialog), dlg_(dlg) {}

  std::string text(int id) const override;
  void setText(int id, std::string_view text) override;
  void enable(int id, bool enabled) override;
  bool isChecked(int id) const override;
  void setChecked(int id, bool checked) override;
  void appendLog(std::string_view text) override;
  void clearLog() override;
  void showResult(window::ResultState state) override;
  void setProgressRange(std::uint32_t low, std::uint32_t high) override;
  void setProgressStep(std::uint32_t step) override;
  void setProgressPosition(std::uint32_t position) override;
  bool startTimer(unsigned id, unsigned periodMs) override;
  void stopTimer(unsigned id) override;
  void addAboutItem(std::string_view caption, std::uint32_t command) override;
  void setWindowIcons() override;
  void setBrowseIcon() override;
  std::optional<std::string> chooseFile(const window::FileTypeFilter& filter) override;
  void showAbout() override;
  bool askYesNo(std::string_view question) override;
  void defaultSysCommand(std::uint32_t command, std::intptr_t parameter) override;
  void endWindow(window::DialogResult result) override;

  HICON appIcon() const { return appIcon_; }

 private:
  HWND control(int id) const { return GetDlgItem(dialog_, id); }

  HWND dialog_;
  window::CIapDlg& dlg_;
  HICON appIcon_ = nullptr;
  HICON browseIcon_ = nullptr;
};

}  // namespace zentho::win32
