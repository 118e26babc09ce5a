// The main dialog under Win32: template 102 run modally, each message handed to the
// matching CIapDlg handler.
#pragma once

#include <windows.h>

#include <memory>

#include "app/win32/win32_view.h"
#include "app/win32/win32_window_thread.h"
#include "app/window/iap_dlg.h"

namespace zentho::win32 {

class IapDialog {
 public:
  IapDialog(window::CIapDlg& dlg, Win32WindowThread& windowThread)
      : dlg_(dlg), windowThread_(windowThread) {}

  // Creates the dialog from template 102 with no owner and runs it until it ends.
  INT_PTR run(HINSTANCE instance);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void onInitDialog(HWND dialog);
  void onCommand(WPARAM wParam);
  bool onPaint(HWND dialog);

  window::CIapDlg& dlg_;
  Win32WindowThread& windowThread_;
  std::unique_ptr<Win32View> view_;
};

}  // namespace zentho::win32
