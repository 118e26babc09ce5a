// The LogPane (control 1008): a read-only multi-line text whose appends always land at
// the end, whatever the operator has clicked or selected, and scroll into view.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace zentho::qt {

class LogPane final : public QPlainTextEdit {
 public:
  explicit LogPane(QWidget* parent = nullptr);

  void append(std::string_view text);
  void clear();
  // The exact bytes appended since the last clear, CR LF pairs included (the display
  // turns each into a line break).
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace zentho::qt
