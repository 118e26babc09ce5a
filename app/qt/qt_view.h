// The view seam over the Qt window's widgets.
#pragma once

#include <QTimer>
#include <map>
#include <memory>

#include "app/window/iap_dlg.h"
#include "app/window/window_view.h"

namespace zentho::qt {

class IapWindow;

class QtView final : public window::WindowView {
 public:
  QtView(IapWindow& window, window::CIapDlg& dlg);
  ~QtView() override;

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

 private:
  // A QProgressBar counts in int: ranges past it are scaled down by a power of two.
  int scaled(std::uint32_t value) const { return static_cast<int>(value >> progressShift_); }

  IapWindow& window_;
  window::CIapDlg& dlg_;
  std::map<unsigned, std::unique_ptr<QTimer>> timers_;
  unsigned progressShift_ = 0;
  std::uint32_t progressLow_ = 0;
};

}  // namespace zentho::qt
