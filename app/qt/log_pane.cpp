// The LogPane's append and clear.
#include "app/qt/log_pane.h"

#include <QScrollBar>
#include <QTextCursor>

namespace zentho::qt {

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void LogPane::append(std::string_view text) {
  text_.append(text);
  // A cursor of our own, not the widget's: the operator's caret and selection stay
  // where they are and never decide where a message goes.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogPane::clear() {
  text_.clear();
  setPlainText(QString());
}

}  // namespace zentho::qt
