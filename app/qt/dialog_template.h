// Dialog templates 102 (main window) and 100 (About box): every control with its
// identifier, kind, caption, position in dialog units and start state.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <cstdint>
#include <span>
#include <string_view>

namespace zentho::qt {

inline constexpr int kNoId = -1;

enum class ControlKind : std::uint8_t {
  Edit,           // single-line edit
  LogEdit,        // the multi-line, read-only LogPane
  PushButton,
  IconButton,     // push button drawing an icon instead of its caption
  Progress,
  Label,          // static text
  IconStatic,
  GroupBox,
  Radio,
};

struct ControlEntry {
  int id;
  ControlKind kind;
  std::string_view caption;
  int x, y, width, height;  // dialog units
  bool disabled = false;
  bool hidden = false;
  bool readOnly = false;
  bool tabStop = false;
  int icon = 0;             // icon group shown by an icon static from the start
};

struct DialogTemplate {
  std::string_view caption;
  int width, height;  // dialog units
  std::span<const ControlEntry> controls;  // template order: Tab and drawing order
};

const DialogTemplate& MainWindowTemplate();
const DialogTemplate& AboutBoxTemplate();

// Dialog units of a font: horizontal = average character width / 4, vertical = height / 8.
// The average is taken over the 52 letters, as dialog base units are: a font's own
// figure can run narrower than its capitals, and captions would then be cut short.
class DialogUnits {
 public:
  explicit DialogUnits(const QFontMetrics& metrics)
      : charWidth_(AverageLetterWidth(metrics)), charHeight_(metrics.height()) {}
  DialogUnits(int charWidth, int charHeight) : charWidth_(charWidth), charHeight_(charHeight) {}

  static int AverageLetterWidth(const QFontMetrics& metrics) {
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
  }

  int x(int units) const { return (units * charWidth_ + 2) / 4; }
  int y(int units) const { return (units * charHeight_ + 4) / 8; }
  QRect rect(int x0, int y0, int width, int height) const {
    return QRect(x(x0), y(y0), x(width), y(height));
  }

 private:
  int charWidth_;
  int charHeight_;
};

}  // namespace zentho::qt
