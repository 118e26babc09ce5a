// The main window under Qt: template 102's controls, and each Qt event handed to the
// matching CIapDlg handler.
#pragma once

#include <QDialog>
#include <QFont>
#include <map>
#include <memory>

#include "app/qt/dialog_template.h"
#include "app/window/iap_dlg.h"

class QMenu;
class QTimer;

namespace zentho::qt {

class LogPane;
class QtView;

// The font of both dialogs: the template's fonts are not on Linux, so the platform's
// sans-serif at 8 points stands in, and the layout follows its metrics.
QFont DialogFont();

// Builds `dialogTemplate`'s controls on `dialog` at their converted positions; returns them by id.
std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                      const DialogUnits& units);

class IapWindow final : public QDialog {
 public:
  explicit IapWindow(window::CIapDlg& dlg, QWidget* parent = nullptr);
  ~IapWindow() override;

  window::WindowView& view();
  QWidget* control(int id) const;
  LogPane& logPane() const;
  QMenu& contextMenu() const { return *contextMenu_; }

  // Ends the window without asking CIapDlg (its end was decided there).
  void end(int result);
  // Runs OnInitDialog, centres the window on the screen and shows it.
  void start();

  void accept() override;
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  window::CIapDlg& dlg_;
  std::map<int, QWidget*> controls_;
  QMenu* contextMenu_;
  std::unique_ptr<QtView> view_;
  bool ending_ = false;
};

}  // namespace zentho::qt
