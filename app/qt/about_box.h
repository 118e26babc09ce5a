// CAboutDlg: the About box of template 100.
#pragma once

#include <QDialog>

namespace zentho::qt {

class CAboutDlg final : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace zentho::qt
