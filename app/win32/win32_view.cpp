// Each view operation as the Win32 call on the matching control.
#include "app/win32/win32_view.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win32/win32_services.h"
#include "app/window/control_ids.h"
#include "app/window/window_strings.h"

namespace zentho::win32 {
namespace {

std::string Text(std::string_view text) { return std::string(text); }

INT_PTR CALLBACK AboutProcedure(HWND about, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(about, GetWindow(about, GW_OWNER));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(about, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void CentreWindow(HWND window, HWND over) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(over != nullptr ? over : window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  RECT box{};
  RECT centre = area;
  GetWindowRect(window, &box);
  if (over != nullptr) GetWindowRect(over, &centre);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  const int x = std::clamp<int>(centre.left + (centre.right - centre.left - width) / 2, area.left,
                                std::max<int>(area.left, area.right - width));
  const int y = std::clamp<int>(centre.top + (centre.bottom - centre.top - height) / 2, area.top,
                                std::max<int>(area.top, area.bottom - height));
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Win32View::text(int id) const {
  const HWND window = control(id);
  if (window == nullptr) return {};
  std::vector<char> buffer(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1);
  const int length = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

void Win32View::setText(int id, std::string_view text) {
  SetDlgItemTextA(dialog_, id, Text(text).c_str());
}

void Win32View::enable(int id, bool enabled) {
  if (const HWND window = control(id)) EnableWindow(window, enabled ? TRUE : FALSE);
}

bool Win32View::isChecked(int id) const {
  return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32View::setChecked(int id, bool checked) {
  SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32View::appendLog(std::string_view text) {
  const HWND pane = control(window::kIdcLogPane);
  // At the end, whatever the operator has selected, as the Qt pane does: a click into
  // the log must not make the next line overwrite what was there.
  const int end = GetWindowTextLengthA(pane);
  SendMessageA(pane, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Text(text).c_str()));
  SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}

void Win32View::clearLog() { SetWindowTextA(control(window::kIdcLogPane), ""); }

void Win32View::showResult(window::ResultState state) {
  const int source = state == window::ResultState::Pass   ? window::kIdcPassIcon
                     : state == window::ResultState::Fail ? window::kIdcFailIcon
                                                          : window::kIdcIdleIcon;
  // The hidden static's own icon object, never one loaded anew.
  const LRESULT icon = SendDlgItemMessageA(dialog_, source, STM_GETICON, 0, 0);
  SendDlgItemMessageA(dialog_, window::kIdcResult, STM_SETICON, static_cast<WPARAM>(icon), 0);
}

void Win32View::setProgressRange(std::uint32_t low, std::uint32_t high) {
  SendDlgItemMessageA(dialog_, window::kIdcProgress, PBM_SETRANGE32, low, static_cast<LPARAM>(high));
}

void Win32View::setProgressStep(std::uint32_t step) {
  SendDlgItemMessageA(dialog_, window::kIdcProgress, PBM_SETSTEP, step, 0);
}

void Win32View::setProgressPosition(std::uint32_t position) {
  SendDlgItemMessageA(dialog_, window::kIdcProgress, PBM_SETPOS, position, 0);
}

bool Win32View::startTimer(unsigned id, unsigned periodMs) {
  return SetTimer(dialog_, id, periodMs, nullptr) != 0;
}

void Win32View::stopTimer(unsigned id) { KillTimer(dialog_, id); }

void Win32View::addAboutItem(std::string_view /*caption*/, std::uint32_t command) {
  // The item's text is string 101 of the program's string table (the Qt window shows
  // the same text from window_strings.h); an empty or missing string adds nothing.
  const std::string caption = ResourceString(window::kIdsAboutItem);
  const HMENU menu = GetSystemMenu(dialog_, FALSE);
  if (menu == nullptr || caption.empty()) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, command, caption.c_str());
}

void Win32View::setWindowIcons() {
  appIcon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(window::kIdiApp));
  SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon_));
  SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon_));
}

void Win32View::setBrowseIcon() {
  browseIcon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                              MAKEINTRESOURCEA(window::kIdiBrowse), IMAGE_ICON,
                                              16, 16, LR_DEFAULTCOLOR));
  SendDlgItemMessageA(dialog_, window::kIdcBrowse, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(browseIcon_));
}

std::optional<std::string> Win32View::chooseFile(const window::FileTypeFilter& filter) {
  // One description and one pattern, each ended by NUL, and a NUL to end the list.
  std::string filterText = Text(filter.description);
  filterText.push_back('\0');
  filterText.append(filter.pattern);
  filterText.push_back('\0');
  const std::string extension = Text(filter.defaultExtension);
  char path[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = dialog_;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = extension.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_READONLY;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(path);
}

void Win32View::showAbout() {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), dialog_, AboutProcedure, 0);
}

bool Win32View::askYesNo(std::string_view question) {
  // No is the default button, so Enter answers No; a Yes/No box ignores Escape.
  return MessageBoxA(dialog_, Text(question).c_str(), Text(window::text::kWindowCaption).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void Win32View::defaultSysCommand(std::uint32_t command, std::intptr_t parameter) {
  // Close becomes WM_CLOSE, and so OnClose; move and minimise are the system's.
  DefWindowProcA(dialog_, WM_SYSCOMMAND, command, parameter);
}

void Win32View::endWindow(window::DialogResult result) {
  EndDialog(dialog_, result == window::DialogResult::Ok ? IDOK : IDCANCEL);
}

}  // namespace zentho::win32
