// Each view call wrapped in a synchronous request to the window's thread.
#include "app/window/view_proxy.h"

namespace zentho::window {

std::string ViewProxy::text(int id) const {
  return run([&] { return view_.text(id); });
}
void ViewProxy::setText(int id, std::string_view text) {
  run([&] { view_.setText(id, text); });
}
void ViewProxy::enable(int id, bool enabled) {
  run([&] { view_.enable(id, enabled); });
}
bool ViewProxy::isChecked(int id) const {
  return run([&] { return view_.isChecked(id); });
}
void ViewProxy::setChecked(int id, bool checked) {
  run([&] { view_.setChecked(id, checked); });
}
void ViewProxy::appendLog(std::string_view text) {
  run([&] { view_.appendLog(text); });
}
void ViewProxy::clearLog() {
  run([&] { view_.clearLog(); });
}
void ViewProxy::showResult(ResultState state) {
  run([&] { view_.showResult(state); });
}
void ViewProxy::setProgressRange(std::uint32_t low, std::uint32_t high) {
  run([&] { view_.setProgressRange(low, high); });
}
void ViewProxy::setProgressStep(std::uint32_t step) {
  run([&] { view_.setProgressStep(step); });
}
void ViewProxy::setProgressPosition(std::uint32_t position) {
  run([&] { view_.setProgressPosition(position); });
}
bool ViewProxy::startTimer(unsigned id, unsigned periodMs) {
  return run([&] { return view_.startTimer(id, periodMs); });
}
void ViewProxy::stopTimer(unsigned id) {
  run([&] { view_.stopTimer(id); });
}
void ViewProxy::addAboutItem(std::string_view caption, std::uint32_t command) {
  run([&] { view_.addAboutItem(caption, command); });
}
void ViewProxy::setWindowIcons() {
  run([&] { view_.setWindowIcons(); });
}
void ViewProxy::setBrowseIcon() {
  run([&] { view_.setBrowseIcon(); });
}
std::optional<std::string> ViewProxy::chooseFile(const FileTypeFilter& filter) {
  return run([&] { return view_.chooseFile(filter); });
}
bool ViewProxy::askYesNo(std::string_view question) {
  return run([&] { return view_.askYesNo(question); });
}
void ViewProxy::showAbout() {
  run([&] { view_.showAbout(); });
}
void ViewProxy::defaultSysCommand(std::uint32_t command, std::intptr_t parameter) {
  run([&] { view_.defaultSysCommand(command, parameter); });
}
void ViewProxy::endWindow(DialogResult result) {
  run([&] { view_.endWindow(result); });
}

}  // namespace zentho::window
