// The About box: the application icon, the version text and OK.
#include "app/qt/about_box.h"

#include <QLabel>
#include <QPushButton>

#include "app/qt/dialog_template.h"
#include "app/qt/iap_window.h"

namespace zentho::qt {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  const DialogTemplate& dialogTemplate = AboutBoxTemplate();
  setFont(DialogFont());
  setWindowTitle(QString::fromLatin1(dialogTemplate.caption.data(), static_cast<qsizetype>(dialogTemplate.caption.size())));
  const DialogUnits units{QFontMetrics(font())};
  setFixedSize(units.x(dialogTemplate.width), units.y(dialogTemplate.height));
  const std::map<int, QWidget*> controls = BuildControls(*this, dialogTemplate, units);
  for (QObject* child : children()) {
    // The version text is shown as it is: no mnemonic, no rich text.
    if (auto* label = qobject_cast<QLabel*>(child)) label->setTextFormat(Qt::PlainText);
  }
  auto* ok = static_cast<QPushButton*>(controls.at(1));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  ok->setFocus();
}

}  // namespace zentho::qt
