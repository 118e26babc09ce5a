// The dialog procedure: the window's event table on Win32 messages.
#include "app/win32/iap_dialog.h"

#include "app/win32/win32_services.h"
#include "app/window/control_ids.h"

namespace zentho::win32 {

using namespace zentho::window;

INT_PTR IapDialog::run(HINSTANCE instance) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(102), nullptr, &IapDialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK IapDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  auto* self = reinterpret_cast<IapDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  return self == nullptr ? FALSE : self->handle(dialog, message, wParam, lParam);
}

INT_PTR IapDialog::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (windowThread_.handle(message, lParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog(dialog);
      return TRUE;  // the focus goes to the first enabled tab stop
    case WM_SYSCOMMAND:
      dlg_.OnSysCommand(static_cast<std::uint32_t>(wParam), lParam);
      return TRUE;
    case WM_PAINT:
      return onPaint(dialog) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // One of the messages whose answer is the procedure's own return value.
      return reinterpret_cast<INT_PTR>(view_ ? view_->appIcon() : nullptr);
    case WM_COMMAND:
      onCommand(wParam);
      return TRUE;
    case WM_CLOSE:
      dlg_.OnClose();
      return TRUE;
    case WM_HELP:
      // F1, as in the Qt window: the program has no help pages, the About box stands in.
      if (view_) view_->showAbout();
      return TRUE;
    case WM_TIMER:
      dlg_.OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_DEVICECHANGE:
      // The connected interface's removal reaches CIapDlg through the link's own watch,
      // which compares the record's name with the connected path; volumes and ports
      // broadcast here too and must not end the link. A removal is never refused.
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DESTROY:
      windowThread_.attach(nullptr);
      dlg_.attachView(nullptr);
      view_.reset();
      return FALSE;
    default:
      return FALSE;
  }
}

void IapDialog::onInitDialog(HWND dialog) {
  view_ = std::make_unique<Win32View>(dialog, dlg_);
  dlg_.attachView(view_.get());
  windowThread_.attach(dialog);
  dlg_.OnInitDialog();
  CentreWindow(dialog, nullptr);
}

void IapDialog::onCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code == BN_CLICKED) {
    switch (id) {
      case IDOK:
        dlg_.OnOK();
        return;
      case IDCANCEL:
        dlg_.OnCancel();
        return;
      case kIdcDownload:
        dlg_.OnDownload();
        return;
      case kIdcBrowse:
        dlg_.OnBrowse();
        return;
      case kIdcConnect:
        dlg_.OnConnect();
        return;
      default:
        return;
    }
  }
  if (code == EN_CHANGE && id == kIdcVendorId) dlg_.OnChangeVendorId();
  if (code == EN_CHANGE && id == kIdcProductId) dlg_.OnChangeProductId();
}

bool IapDialog::onPaint(HWND dialog) {
  if (!IsIconic(dialog) || !view_) return false;
  PAINTSTRUCT paint{};
  const HDC context = BeginPaint(dialog, &paint);
  SendMessageA(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client{};
  GetClientRect(dialog, &client);
  const IconOrigin origin = CentredIconOrigin(client.right - client.left, client.bottom - client.top,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(context, origin.x, origin.y, view_->appIcon());
  EndPaint(dialog, &paint);
  return true;
}

}  // namespace zentho::win32
