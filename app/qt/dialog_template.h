// Dialog units under Qt, and the two templates as the Qt window builds them.
#pragma once

#include <QFontMetrics>
#include <QRect>

#include "app/window/dialog_template.h"

namespace zentho::qt {

using window::AboutBoxTemplate;
using window::ControlEntry;
using window::ControlKind;
using window::DialogTemplate;
using window::kNoId;
using window::MainWindowTemplate;

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
