// A WindowView that keeps every control's state and a record of each call, for tests.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/window/window_view.h"

namespace zentho::window::test {

struct ControlState {
  std::string text;
  bool enabled = true;
  bool checked = false;
};

class RecordingView final : public WindowView {
 public:
  // Runs inside setText, as the toolkit's change notification of an edit would.
  std::function<void(int id)> onTextChanged;

  std::string text(int id) const override;
  void setText(int id, std::string_view text) override;
  void enable(int id, bool enabled) override;
  bool isChecked(int id) const override;
  void setChecked(int id, bool checked) override;
  void appendLog(std::string_view text) override;
  void clearLog() override;
  void showResult(ResultState state) override;
  void setProgressRange(std::uint32_t low, std::uint32_t high) override;
  void setProgressStep(std::uint32_t step) override;
  void setProgressPosition(std::uint32_t position) override;
  bool startTimer(unsigned id, unsigned periodMs) override;
  void stopTimer(unsigned id) override;
  void addAboutItem(std::string_view caption, std::uint32_t command) override;
  void setWindowIcons() override;
  void setBrowseIcon() override;
  std::optional<std::string> chooseFile(const FileTypeFilter& filter) override;
  void showAbout() override;
  bool askYesNo(std::string_view question) override;
  void defaultSysCommand(std::uint32_t command, std::intptr_t parameter) override;
  void endWindow(DialogResult result) override;

  // The operator types into an edit: the text changes and the notification follows.
  void type(int id, std::string_view text);

  std::map<int, ControlState> controls;
  std::string log;
  std::optional<ResultState> result;
  std::uint32_t progressLow = 0, progressHigh = 100, progressStep = 10, progressPosition = 0;
  std::map<unsigned, unsigned> runningTimers;  // id -> period
  bool timersFail = false;
  std::vector<std::string> aboutItems;
  unsigned aboutShown = 0;
  std::vector<std::string> questions;  // every askYesNo, in order
  bool answerYes = false;              // what the operator answers
  std::function<void()> whileAsking;   // runs while the question is open
  std::vector<std::uint32_t> defaultCommands;
  std::optional<DialogResult> ended;
  std::optional<std::string> nextChosenFile;
  std::vector<std::string> dialogFilters;  // "description|pattern|extension" per dialog
  // Every call that changes something, in order, e.g. "enable 1001 0", "log ...".
  std::vector<std::string> calls;
};

// The control states the tests compare, for one control.
std::string Describe(const RecordingView& view, int id);

}  // namespace zentho::window::test
