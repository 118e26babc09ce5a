// Each view operation on the matching Qt widget.
#include "app/qt/qt_view.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "app/qt/about_box.h"
#include "app/qt/iap_window.h"
#include "app/qt/icons.h"
#include "app/qt/log_pane.h"
#include "app/window/control_ids.h"

namespace zentho::qt {

using namespace zentho::window;

namespace {

QString FromLocal(std::string_view text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLocal(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

QtView::QtView(IapWindow& window, CIapDlg& dlg) : window_(window), dlg_(dlg) {}
QtView::~QtView() = default;

std::string QtView::text(int id) const {
  QWidget* widget = window_.control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToLocal(edit->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    return ToLocal(button->text().isEmpty() ? button->accessibleName() : button->text());
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToLocal(label->text());
  if (id == kIdcLogPane) return window_.logPane().text();
  return {};
}

void QtView::setText(int id, std::string_view text) {
  QWidget* widget = window_.control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(FromLocal(text));
    edit->setCursorPosition(0);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(FromLocal(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(FromLocal(text));
  }
}

void QtView::enable(int id, bool enabled) {
  if (QWidget* widget = window_.control(id)) widget->setEnabled(enabled);
}

bool QtView::isChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(window_.control(id));
  return button != nullptr && button->isChecked();
}

void QtView::setChecked(int id, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(window_.control(id));
  if (button == nullptr) return;
  // An exclusive radio button refuses to clear itself; the exchange may clear them all.
  const bool exclusive = button->autoExclusive();
  if (!checked) button->setAutoExclusive(false);
  button->setChecked(checked);
  button->setAutoExclusive(exclusive);
}

void QtView::appendLog(std::string_view text) { window_.logPane().append(text); }
void QtView::clearLog() { window_.logPane().clear(); }

void QtView::showResult(ResultState state) {
  const int source = state == ResultState::Pass   ? kIdcPassIcon
                     : state == ResultState::Fail ? kIdcFailIcon
                                                  : kIdcIdleIcon;
  auto* from = qobject_cast<QLabel*>(window_.control(source));
  auto* indicator = qobject_cast<QLabel*>(window_.control(kIdcResult));
  // The indicator shows the hidden static's own image, never one loaded anew.
  if (from != nullptr && indicator != nullptr) indicator->setPixmap(from->pixmap());
}

void QtView::setProgressRange(std::uint32_t low, std::uint32_t high) {
  progressShift_ = 0;
  while ((std::max(low, high) >> progressShift_) > static_cast<std::uint32_t>(INT32_MAX)) {
    ++progressShift_;
  }
  progressLow_ = low;
  if (auto* bar = qobject_cast<QProgressBar*>(window_.control(kIdcProgress))) {
    bar->setRange(scaled(low), scaled(high));
  }
}

void QtView::setProgressStep(std::uint32_t) {
  // QProgressBar has no step of its own; the session always sets positions.
}

void QtView::setProgressPosition(std::uint32_t position) {
  if (auto* bar = qobject_cast<QProgressBar*>(window_.control(kIdcProgress))) {
    bar->setValue(scaled(position));
  }
}

bool QtView::startTimer(unsigned id, unsigned periodMs) {
  std::unique_ptr<QTimer>& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, &window_, [this, id] { dlg_.OnTimer(id); });
  }
  timer->start(static_cast<int>(periodMs));
  return timer->isActive();
}

void QtView::stopTimer(unsigned id) {
  if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

void QtView::addAboutItem(std::string_view caption, std::uint32_t command) {
  if (caption.empty()) return;
  QMenu& menu = window_.contextMenu();
  menu.addSeparator();
  QAction* about = menu.addAction(FromLocal(caption));
  QObject::connect(about, &QAction::triggered, &window_, [this, command] { dlg_.OnSysCommand(command, 0); });
}

void QtView::setWindowIcons() { window_.setWindowIcon(IconGroup(kIdiApp)); }

void QtView::setBrowseIcon() {
  if (auto* button = qobject_cast<QPushButton*>(window_.control(kIdcBrowse))) {
    button->setIcon(QIcon(IconImage(kIdiBrowse, 16)));
    button->setIconSize(QSize(16, 16));
  }
}

std::optional<std::string> QtView::chooseFile(const FileTypeFilter& filter) {
  QFileDialog dialog(&window_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The description carries its pattern in brackets, which is how Qt reads a filter.
  dialog.setNameFilter(FromLocal(filter.description));
  dialog.setDefaultSuffix(FromLocal(filter.defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QByteArray path = QFile::encodeName(dialog.selectedFiles().constFirst());
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

void QtView::showAbout() {
  CAboutDlg about(&window_);
  about.exec();
}

bool QtView::askYesNo(std::string_view question) {
  QMessageBox box(QMessageBox::Question, window_.windowTitle(), FromLocal(question),
                  QMessageBox::Yes | QMessageBox::No, &window_);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtView::defaultSysCommand(std::uint32_t command, std::intptr_t) {
  switch (command & kSysCommandMask) {
    case kScClose:
      window_.close();
      break;
    case kScMinimize:
      window_.showMinimized();
      break;
    default:
      break;
  }
}

void QtView::endWindow(DialogResult result) {
  window_.end(result == DialogResult::Ok ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace zentho::qt
