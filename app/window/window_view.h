// The view seam: everything the main window's logic does to its controls, by numeric ID.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentho::window {

// What the ResultIndicator (1025) shows: the icon of hidden static 1012, 1010 or 1011.
enum class ResultState : std::uint8_t { Idle, Pass, Fail };

enum class DialogResult : std::uint8_t { Ok, Cancel };

// One file type offered by the open-file dialog.
struct FileTypeFilter {
  std::string_view description;  // shown to the operator, e.g. "Binary files(*.bin)"
  std::string_view pattern;      // e.g. "*.bin"
  std::string_view defaultExtension;  // added to a name typed without one
};

// Implemented by each toolkit's main window and by the recording fake of the tests.
// Every call is made on the window's thread; the worker goes through ViewProxy. Texts
// are 8-bit strings in the platform's code page.
class WindowView {
 public:
  virtual ~WindowView() = default;

  // Whole text (edit), caption (button) or text (static) of a control.
  virtual std::string text(int id) const = 0;
  virtual void setText(int id, std::string_view text) = 0;
  virtual void enable(int id, bool enabled) = 0;
  virtual bool isChecked(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;

  // LogPane (1008): append always lands at the end and is scrolled into view.
  virtual void appendLog(std::string_view text) = 0;
  virtual void clearLog() = 0;

  virtual void showResult(ResultState state) = 0;

  // Progress bar (1000).
  virtual void setProgressRange(std::uint32_t low, std::uint32_t high) = 0;
  virtual void setProgressStep(std::uint32_t step) = 0;
  virtual void setProgressPosition(std::uint32_t position) = 0;

  // Window timers; the toolkit delivers each tick to CIapDlg::OnTimer(id).
  virtual bool startTimer(unsigned id, unsigned periodMs) = 0;
  virtual void stopTimer(unsigned id) = 0;

  // Window decoration set up by OnInitDialog.
  virtual void addAboutItem(std::string_view caption, std::uint32_t command) = 0;
  virtual void setWindowIcons() = 0;
  virtual void setBrowseIcon() = 0;

  // Modal open-file dialog for one existing file; nothing when cancelled or failed.
  virtual std::optional<std::string> chooseFile(const FileTypeFilter& filter) = 0;
  virtual void showAbout() = 0;
  // Modal question with Yes and No buttons, No the default (so that Enter or Escape
  // answers No); true when the operator chose Yes.
  virtual bool askYesNo(std::string_view question) = 0;
  // The platform's own handling of a system command the window does not take.
  virtual void defaultSysCommand(std::uint32_t command, std::intptr_t parameter) = 0;
  // Ends the modal window with `result`.
  virtual void endWindow(DialogResult result) = 0;
};

}  // namespace zentho::window
