// The recording fake of the window's controls.
#include "recording_view.h"

#include <utility>

namespace zentho::window::test {

std::string RecordingView::text(int id) const {
  auto it = controls.find(id);
  return it == controls.end() ? std::string() : it->second.text;
}

void RecordingView::setText(int id, std::string_view text) {
  controls[id].text = std::string(text);
  calls.push_back("text " + std::to_string(id) + " " + std::string(text));
  if (onTextChanged) onTextChanged(id);
}

void RecordingView::type(int id, std::string_view text) {
  controls[id].text = std::string(text);
  if (onTextChanged) onTextChanged(id);
}

void RecordingView::enable(int id, bool enabled) {
  controls[id].enabled = enabled;
  calls.push_back("enable " + std::to_string(id) + (enabled ? " 1" : " 0"));
}

bool RecordingView::isChecked(int id) const {
  auto it = controls.find(id);
  return it != controls.end() && it->second.checked;
}

void RecordingView::setChecked(int id, bool checked) {
  controls[id].checked = checked;
  calls.push_back("check " + std::to_string(id) + (checked ? " 1" : " 0"));
}

void RecordingView::appendLog(std::string_view text) {
  log += text;
  calls.push_back("log " + std::string(text));
}

void RecordingView::clearLog() {
  log.clear();
  calls.push_back("clear log");
}

void RecordingView::showResult(ResultState state) {
  result = state;
  static const char* const kNames[] = {"idle", "pass", "fail"};
  calls.push_back(std::string("result ") + kNames[static_cast<int>(state)]);
}

void RecordingView::setProgressRange(std::uint32_t low, std::uint32_t high) {
  progressLow = low;
  progressHigh = high;
}

void RecordingView::setProgressStep(std::uint32_t step) { progressStep = step; }

void RecordingView::setProgressPosition(std::uint32_t position) {
  progressPosition = position;
  calls.push_back("progress " + std::to_string(position));
}

bool RecordingView::startTimer(unsigned id, unsigned periodMs) {
  calls.push_back("start timer " + std::to_string(id));
  if (timersFail) return false;
  runningTimers[id] = periodMs;
  return true;
}

void RecordingView::stopTimer(unsigned id) {
  runningTimers.erase(id);
  calls.push_back("stop timer " + std::to_string(id));
}

void RecordingView::addAboutItem(std::string_view caption, std::uint32_t command) {
  aboutItems.push_back(std::string(caption) + " " + std::to_string(command));
}

void RecordingView::setWindowIcons() { calls.push_back("window icons"); }
void RecordingView::setBrowseIcon() { calls.push_back("browse icon"); }

std::optional<std::string> RecordingView::chooseFile(const FileTypeFilter& filter) {
  dialogFilters.push_back(std::string(filter.description) + "|" + std::string(filter.pattern) +
                          "|" + std::string(filter.defaultExtension));
  return std::exchange(nextChosenFile, std::nullopt);
}

void RecordingView::showAbout() { ++aboutShown; }

bool RecordingView::askYesNo(std::string_view question) {
  questions.emplace_back(question);
  calls.push_back("ask " + std::string(question));
  if (whileAsking) whileAsking();
  return answerYes;
}

void RecordingView::defaultSysCommand(std::uint32_t command, std::intptr_t) {
  defaultCommands.push_back(command);
}

void RecordingView::endWindow(DialogResult dialogResult) {
  ended = dialogResult;
  calls.push_back(dialogResult == DialogResult::Ok ? "end ok" : "end cancel");
}

std::string Describe(const RecordingView& view, int id) {
  auto it = view.controls.find(id);
  if (it == view.controls.end()) return "untouched";
  std::string described = it->second.enabled ? "enabled" : "disabled";
  if (!it->second.text.empty()) described += " \"" + it->second.text + "\"";
  if (it->second.checked) described += " checked";
  return described;
}

}  // namespace zentho::window::test
