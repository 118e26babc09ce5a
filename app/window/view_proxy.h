// The one marshalling proxy: the worker's control requests carried out on the window's
// thread, synchronously and in the order sent.
#pragma once

#include <type_traits>

#include "app/window/window_thread.h"
#include "app/window/window_view.h"

namespace zentho::window {

class ViewProxy final : public WindowView {
 public:
  ViewProxy(WindowView& view, WindowThread& windowThread) : view_(view), thread_(windowThread) {}

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

 private:
  // The request waits for its answer, so capturing by reference is safe.
  template <typename Request>
  auto run(Request request) const {
    using Result = decltype(request());
    if constexpr (std::is_void_v<Result>) {
      thread_.invoke(request);
    } else {
      Result result{};
      thread_.invoke([&] { result = request(); });
      return result;
    }
  }

  WindowView& view_;
  WindowThread& thread_;
};

}  // namespace zentho::window
