// ZenthoIAP: the firmware download window.
#include <QApplication>

#include "app/qt/iap_app.h"

namespace {

// The one application object.
zentho::qt::CIapApp theApp;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  theApp.InitInstance(QApplication::arguments());
  return 0;
}
