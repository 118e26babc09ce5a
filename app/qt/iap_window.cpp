// Template 102 built with Qt widgets; Qt's events routed to CIapDlg.
#include "app/qt/iap_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "app/qt/icons.h"
#include "app/qt/log_pane.h"
#include "app/qt/qt_view.h"
#include "app/window/control_ids.h"

namespace zentho::qt {

using namespace zentho::window;

QFont DialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setFamilies({QStringLiteral("DejaVu Sans"), font.family()});
  font.setPointSize(8);
  font.setWeight(QFont::Normal);
  return font;
}

namespace {

QString Caption(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* Create(QDialog& dialog, const ControlEntry& entry) {
  switch (entry.kind) {
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(&dialog);
      edit->setReadOnly(entry.readOnly);
      return edit;
    }
    case ControlKind::LogEdit:
      return new LogPane(&dialog);
    case ControlKind::PushButton:
      return new QPushButton(Caption(entry.caption), &dialog);
    case ControlKind::IconButton: {
      // The caption is not drawn; it stays as the button's name for screen readers.
      auto* button = new QPushButton(&dialog);
      button->setAccessibleName(Caption(entry.caption));
      button->setToolTip(Caption(entry.caption));
      return button;
    }
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(&dialog);
      bar->setTextVisible(false);
      bar->setRange(0, 100);
      bar->setValue(0);
      return bar;
    }
    case ControlKind::Label: {
      // Static text wraps at word breaks within its box, as the platform's does.
      auto* label = new QLabel(Caption(entry.caption), &dialog);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::IconStatic: {
      auto* label = new QLabel(&dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      if (entry.icon != 0) label->setPixmap(IconImage(entry.icon, 32));
      return label;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(Caption(entry.caption), &dialog);
    case ControlKind::Radio:
      return new QRadioButton(Caption(entry.caption), &dialog);
  }
  return nullptr;
}

}  // namespace

std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                      const DialogUnits& units) {
  std::map<int, QWidget*> controls;
  QWidget* previousTabStop = nullptr;
  std::vector<QWidget*> frames;
  for (const ControlEntry& c : dialogTemplate.controls) {
    QWidget* widget = Create(dialog, c);
    widget->setGeometry(units.rect(c.x, c.y, c.width, c.height));
    widget->setEnabled(!c.disabled);
    widget->setVisible(!c.hidden);
    if (c.kind == ControlKind::PushButton || c.kind == ControlKind::IconButton) {
      // No default button: Enter on an edit is the dialog's OK, not a click.
      auto* button = static_cast<QPushButton*>(widget);
      button->setAutoDefault(false);
      button->setDefault(false);
    }
    widget->setFocusPolicy(c.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    if (c.kind == ControlKind::Label || c.kind == ControlKind::IconStatic ||
        c.kind == ControlKind::GroupBox || c.kind == ControlKind::Progress) {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    if (c.tabStop) {
      if (previousTabStop != nullptr) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
    if (c.kind == ControlKind::GroupBox) frames.push_back(widget);
    if (c.id != kNoId) controls[c.id] = widget;
  }
  // Frames come late in the template but must not cover the controls they frame.
  for (QWidget* frame : frames) {
    frame->lower();
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  return controls;
}

IapWindow::IapWindow(CIapDlg& dlg, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint),
      dlg_(dlg),
      contextMenu_(new QMenu(this)) {
  const DialogTemplate& dialogTemplate = MainWindowTemplate();
  setFont(DialogFont());
  setWindowTitle(Caption(dialogTemplate.caption));
  const DialogUnits units{QFontMetrics(font())};
  setFixedSize(units.x(dialogTemplate.width), units.y(dialogTemplate.height));
  controls_ = BuildControls(*this, dialogTemplate, units);

  view_ = std::make_unique<QtView>(*this, dlg_);
  dlg_.attachView(view_.get());

  auto* minimize = contextMenu_->addAction(tr("Mi&nimize"));
  connect(minimize, &QAction::triggered, this, [this] { dlg_.OnSysCommand(kScMinimize, 0); });
  auto* close = contextMenu_->addAction(tr("&Close"));
  connect(close, &QAction::triggered, this, [this] { dlg_.OnSysCommand(kScClose, 0); });

  connect(static_cast<QPushButton*>(control(kIdcDownload)), &QPushButton::clicked, this,
          [this] { dlg_.OnDownload(); });
  connect(static_cast<QPushButton*>(control(kIdcBrowse)), &QPushButton::clicked, this,
          [this] { dlg_.OnBrowse(); });
  connect(static_cast<QPushButton*>(control(kIdcConnect)), &QPushButton::clicked, this,
          [this] { dlg_.OnConnect(); });
  // textChanged, not textEdited: like the platform's change notification it also comes
  // for texts the program sets, which UpdateData tells CIapDlg to ignore.
  connect(static_cast<QLineEdit*>(control(kIdcVendorId)), &QLineEdit::textChanged, this,
          [this] { dlg_.OnChangeVendorId(); });
  connect(static_cast<QLineEdit*>(control(kIdcProductId)), &QLineEdit::textChanged, this,
          [this] { dlg_.OnChangeProductId(); });
}

IapWindow::~IapWindow() { dlg_.attachView(nullptr); }

window::WindowView& IapWindow::view() { return *view_; }

QWidget* IapWindow::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

LogPane& IapWindow::logPane() const { return *static_cast<LogPane*>(control(kIdcLogPane)); }

void IapWindow::start() {
  dlg_.OnInitDialog();
  // The first enabled tab stop takes the focus, as after a dialog's initialisation.
  for (const ControlEntry& entry : MainWindowTemplate().controls) {
    QWidget* widget = control(entry.id);
    if (entry.tabStop && widget != nullptr && widget->isEnabled()) {
      widget->setFocus();
      break;
    }
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

void IapWindow::end(int result) {
  ending_ = true;
  done(result);
}

void IapWindow::accept() { dlg_.OnOK(); }
void IapWindow::reject() { dlg_.OnCancel(); }

void IapWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!ending_) dlg_.OnClose();
}

void IapWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      dlg_.OnCancel();
      return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
      // On a push button Enter clicks it; on an edit or a radio button it is OK.
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();
      } else {
        dlg_.OnOK();
      }
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void IapWindow::contextMenuEvent(QContextMenuEvent* event) {
  contextMenu_->exec(event->globalPos());
}

}  // namespace zentho::qt
