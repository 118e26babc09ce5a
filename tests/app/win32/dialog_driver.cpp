// Drives ZenthoIAP.exe --simulate --trace FILE from outside, as an operator would: reads
// its controls back with Win32 calls, runs a whole simulated download with messages,
// checks its report trace, opens the About box, waits while the screenshot is taken,
// closes the window, checks setup.dat and that the next start reads it back.
// Usage: dialog_driver ZenthoIAP.exe WORK_FOLDER [FIRMWARE_NAME]
// (prints each failed check; exit 0 = pass). Every path is in the ANSI code page.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/window/control_ids.h"
#include "app/window/dialog_template.h"
#include "app/window/window_strings.h"
#include "device/link_messages.h"
#include "device/simulated/replay_device.h"
#include "transfer/session_messages.h"

namespace {

using namespace zentho::window;
namespace msg = zentho::msg;

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    ++g_failures;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

template <typename T>
void CheckEqual(const T& actual, const T& expected, const std::string& what) {
  std::ostringstream text;
  text << what << ": got [" << actual << "], expected [" << expected << "]";
  Check(actual == expected, text.str());
}

// Waits for `done`, giving up after `seconds`: a bound on a hang, not a timing check.
bool WaitFor(const std::function<bool()>& done, int seconds = 60) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

std::string Text(HWND window) {
  // Another process's controls answer WM_GETTEXT; GetWindowText would not ask them.
  const auto length = static_cast<std::size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
  std::vector<char> buffer(length + 1);
  SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

std::string Text(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

LRESULT Icon(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, STM_GETICON, 0, 0); }

void Click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath) {
    if (c == '/') c = '\\';
  }
  return "Z:" + unixPath;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Where each control of the template should be, in client pixels of the main window:
// the template's own dialog units converted by a hidden instance of the same dialog.
std::vector<RECT> ExpectedRects(const std::string& exe) {
  std::vector<RECT> rects;
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(module != nullptr, "the executable's resources can be loaded");
  if (module == nullptr) return rects;
  HWND probe = CreateDialogParamA(module, MAKEINTRESOURCEA(102), nullptr, Inert, 0);
  Check(probe != nullptr, "template 102 makes a dialog");
  for (const ControlEntry& entry : MainWindowTemplate().controls) {
    // The dialog manager converts the corner and the size each on its own, so the far
    // edge is the converted corner plus the converted size.
    RECT corner{entry.x, entry.y, entry.width, entry.height};
    if (probe != nullptr) MapDialogRect(probe, &corner);
    rects.push_back(RECT{corner.left, corner.top, corner.left + corner.right, corner.top + corner.bottom});
  }
  if (probe != nullptr) DestroyWindow(probe);
  FreeLibrary(module);
  return rects;
}

// The character set a DIALOGEX template asks of its font; -1 when it names no font.
int TemplateCharset(HMODULE module, int id) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return -1;
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  if (words == nullptr || words[1] != 0xFFFF) return -1;  // not a DIALOGEX
  const DWORD style = *reinterpret_cast<const DWORD*>(words + 6);
  if ((style & DS_SETFONT) == 0) return -1;
  const WORD* at = words + 13;  // past the fixed header, at the menu
  for (int field = 0; field < 3; ++field) {  // menu, class, title
    if (*at == 0xFFFF) {
      at += 2;
    } else {
      while (*at++ != 0) {
      }
    }
  }
  const auto* font = reinterpret_cast<const BYTE*>(at + 2);  // past the point size and weight
  return font[1];                                             // after the italic flag
}

// Strings 101 and 103 and both templates' fonts, read from the executable itself.
void CheckResources(const std::string& exe) {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(module != nullptr, "the executable's resources can be loaded");
  if (module == nullptr) return;
  const auto string = [&](UINT id) {
    char buffer[256];
    const int length = LoadStringA(module, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
  };
  CheckEqual(string(kIdsAboutItem), std::string(text::kAboutItem), "string 101");
  CheckEqual(string(kIdsInitFailed), std::string(text::kInitFailed), "string 103");
  CheckEqual(TemplateCharset(module, 102), DEFAULT_CHARSET, "the main window's font character set");
  CheckEqual(TemplateCharset(module, 100), DEFAULT_CHARSET, "the About box's font character set");
  FreeLibrary(module);
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

void CheckStartState(HWND dialog, const std::string& exe, const std::string& firmwarePath) {
  char caption[64] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  CheckEqual(std::string(caption), std::string(text::kWindowCaption), "window caption");
  const LONG dialogStyle = GetWindowLongA(dialog, GWL_STYLE);
  Check((dialogStyle & WS_MINIMIZEBOX) != 0 && (dialogStyle & WS_MAXIMIZEBOX) == 0 &&
            (dialogStyle & WS_SYSMENU) != 0 && (dialogStyle & WS_THICKFRAME) == 0,
        "main window: minimise box, system menu, fixed size");

  const std::vector<RECT> expected = ExpectedRects(exe);
  const auto& controls = MainWindowTemplate().controls;
  // Template order is the order of the dialog's child windows.
  HWND child = GetWindow(dialog, GW_CHILD);
  for (std::size_t i = 0; i < controls.size(); ++i, child = GetWindow(child, GW_HWNDNEXT)) {
    const ControlEntry& entry = controls[i];
    const std::string name = "control #" + std::to_string(i + 1) + " (" + std::to_string(entry.id) + ")";
    Check(child != nullptr, name + " exists");
    if (child == nullptr) break;
    CheckEqual(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), entry.id, name + " id");
    RECT actual{};
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    if (i < expected.size()) {
      // An icon static takes its icon's size; only its corner comes from the template.
      const bool sizeFromTemplate = entry.kind != ControlKind::IconStatic;
      const RECT& want = expected[i];
      const bool same = actual.left == want.left && actual.top == want.top &&
                        (!sizeFromTemplate || (actual.right == want.right && actual.bottom == want.bottom));
      Check(same, name + " at " + Describe(actual) + ", template gives " + Describe(want));
    }
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    // A radio button takes the tab stop when it is checked, as the system's buttons do.
    const bool tabStop = entry.kind == ControlKind::Radio
                             ? SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED
                             : entry.tabStop;
    CheckEqual((style & WS_TABSTOP) != 0, tabStop, name + " tab stop");
    CheckEqual((style & WS_VISIBLE) != 0, !entry.hidden, name + " visible");
    if (entry.kind == ControlKind::Edit || entry.kind == ControlKind::LogEdit) {
      CheckEqual((style & ES_READONLY) != 0, entry.readOnly, name + " read-only");
    }
    if (entry.kind == ControlKind::Label || entry.kind == ControlKind::PushButton ||
        entry.kind == ControlKind::Radio || entry.kind == ControlKind::GroupBox ||
        entry.kind == ControlKind::IconButton) {
      CheckEqual(Text(child), std::string(entry.caption), name + " caption");
    }
  }
  Check((GetWindowLongA(GetDlgItem(dialog, kIdcModeKvm), GWL_STYLE) & WS_GROUP) != 0, "1034 starts a group");
  Check((GetWindowLongA(GetDlgItem(dialog, kIdcVendorLabel), GWL_STYLE) & WS_GROUP) != 0, "1039 starts a group");

  struct Enabled {
    int id;
    bool enabled;
  };
  for (const Enabled& e : {Enabled{kIdcFilePath, true}, Enabled{kIdcBrowse, true}, Enabled{kIdcDownload, false},
                           Enabled{kIdcConnect, true}, Enabled{kIdcVendorId, true}, Enabled{kIdcLogPane, true}}) {
    CheckEqual(IsWindowEnabled(GetDlgItem(dialog, e.id)) != FALSE, e.enabled, "enabled state of " + std::to_string(e.id));
  }
  CheckEqual(IsDlgButtonChecked(dialog, kIdcModeKvm), static_cast<UINT>(BST_CHECKED), "1034 checked");
  CheckEqual(IsDlgButtonChecked(dialog, kIdcModeBootloader), static_cast<UINT>(BST_UNCHECKED), "1035 clear");
  CheckEqual(IsDlgButtonChecked(dialog, kIdcModeConfig), static_cast<UINT>(BST_UNCHECKED), "1036 clear");
  CheckEqual(Text(dialog, kIdcVendorId), std::string("4A5D"), "1041");
  CheckEqual(Text(dialog, kIdcProductId), std::string("7310"), "1042");
  CheckEqual(Text(dialog, kIdcLogPane), std::string(), "log pane");
  CheckEqual(Text(dialog, kIdcElapsedTime), std::string("00:00:00"), "elapsed time");
  CheckEqual(Text(dialog, kIdcFilePath), firmwarePath, "file path from setup.dat");
  CheckEqual(Text(dialog, kIdcConnect), std::string("Connect"), "1038 caption");
  Check(Icon(dialog, kIdcIdleIcon) != 0, "idle icon loaded");
  CheckEqual(Icon(dialog, kIdcResult), Icon(dialog, kIdcIdleIcon), "result shows the idle icon");
  Check(SendDlgItemMessageA(dialog, kIdcBrowse, BM_GETIMAGE, IMAGE_ICON, 0) != 0, "browse button shows an icon");
  CheckEqual(SendDlgItemMessageA(dialog, kIdcProgress, PBM_GETPOS, 0, 0), LRESULT{0}, "progress empty");
  // WM_GETICON and WM_QUERYDRAGICON are not delivered to another process's dialog
  // under Wine (they come back 0 unasked), so the window icon is not read back here.

  const HMENU menu = GetSystemMenu(dialog, FALSE);
  if (menu != nullptr) {
    const int count = GetMenuItemCount(menu);
    char item[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(count - 1), item, sizeof item, MF_BYPOSITION);
    CheckEqual(std::string(item), std::string(text::kAboutItem), "last system-menu item");
    CheckEqual(GetMenuItemID(menu, count - 1), static_cast<UINT>(kIdmAboutBox), "About command");
    Check((GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR) != 0,
          "separator before About");
  } else {
    std::printf("note: the system menu of another process cannot be read here\n");
  }
}

// Opens the About box with `open` and checks it; `how` names the way in the messages.
void CheckAboutBox(HWND dialog, const std::function<void()>& open, const std::string& how) {
  open();
  HWND about = nullptr;
  Check(WaitFor([&] { return (about = FindWindowA(nullptr, std::string(text::kAboutCaption).c_str())) != nullptr; }),
        "the About box opens from " + how);
  if (about == nullptr) return;
  RECT box{};
  RECT main{};
  GetWindowRect(about, &box);
  GetWindowRect(dialog, &main);
  const auto centre = [](const RECT& r) { return std::to_string((r.left + r.right) / 2) + "," + std::to_string((r.top + r.bottom) / 2); };
  // Integer halves of the two sizes: a pixel either way.
  Check(std::abs((box.left + box.right) - (main.left + main.right)) <= 2 &&
            std::abs((box.top + box.bottom) - (main.top + main.bottom)) <= 2,
        "the About box is centred over the main window: " + centre(box) + " against " + centre(main));
  Check(!IsWindowEnabled(dialog), "the main window takes no input while the About box is open");
  HWND child = GetWindow(about, GW_CHILD);
  child = GetWindow(child, GW_HWNDNEXT);
  CheckEqual(Text(child), std::string(text::kAboutText), "About text");
  Check(SendDlgItemMessageA(about, 1, WM_GETTEXTLENGTH, 0, 0) == 2, "About OK button");
  SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  Check(WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(dialog); }), "the About box closes and the window is enabled again");
}

std::string ExpectedPassLog(std::uint32_t length) {
  std::string log(msg::kJobStart);
  log += msg::FileLoaded(length);
  log += msg::kStartTransferring;
  log += msg::ChipRevision(1);
  log += msg::kTransmittedSuccessfully;
  return log;
}

void RunDownload(HWND dialog, std::uint32_t length) {
  Click(dialog, kIdcConnect);
  CheckEqual(Text(dialog, kIdcLogPane), std::string(zentho::device::msg::kFindDevice), "log after Connect");
  CheckEqual(Text(dialog, kIdcConnect), std::string("Disconnect"), "1038 after Connect");
  Check(IsWindowEnabled(GetDlgItem(dialog, kIdcDownload)) != FALSE, "Download enabled after Connect");

  Click(dialog, kIdcDownload);
  const LRESULT pass = Icon(dialog, kIdcPassIcon);
  Check(pass != 0 && pass != Icon(dialog, kIdcIdleIcon), "pass icon loaded and distinct");
  const bool ended = WaitFor([&] {
    return Icon(dialog, kIdcResult) != Icon(dialog, kIdcIdleIcon) &&
           IsWindowEnabled(GetDlgItem(dialog, kIdcBrowse)) != FALSE;
  });
  Check(ended, "the download ends");
  CheckEqual(Icon(dialog, kIdcResult), pass, "result shows the pass icon");
  CheckEqual(Text(dialog, kIdcLogPane), ExpectedPassLog(length), "log of the download");
  // The range comes back as return values: a pointer would not cross the process.
  const LRESULT low = SendDlgItemMessageA(dialog, kIdcProgress, PBM_GETRANGE, TRUE, 0);
  const LRESULT high = SendDlgItemMessageA(dialog, kIdcProgress, PBM_GETRANGE, FALSE, 0);
  CheckEqual(SendDlgItemMessageA(dialog, kIdcProgress, PBM_GETPOS, 0, 0), high, "progress full");
  Check(high > low, "progress range set");
  Check(IsWindowEnabled(GetDlgItem(dialog, kIdcFilePath)) != FALSE, "1015 enabled again");
  Check(IsWindowEnabled(GetDlgItem(dialog, kIdcConnect)) != FALSE, "1038 enabled");
  Check(IsWindowEnabled(GetDlgItem(dialog, kIdcDownload)) == FALSE, "Download disabled until the next Connect");
  const std::string elapsed = Text(dialog, kIdcElapsedTime);
  Check(elapsed.size() == 8 && elapsed.substr(0, 6) == "00:00:", "elapsed time " + elapsed);
}

// The trace --trace wrote of the download: the file's header, then every exchange of a
// session that passed, starting with the declared input length.
void CheckTrace(const std::string& path) {
  const std::string text = ReadFile(path);
  const std::string header = std::string(zentho::sim::kTraceHeader) + std::string(zentho::sim::kTraceColumns);
  CheckEqual(text.substr(0, header.size()), header, "trace header");
  std::istringstream in(text);
  std::string error;
  const std::optional<std::vector<zentho::sim::TraceEntry>> entries = zentho::sim::ReadTrace(in, error);
  Check(entries.has_value(), "the trace reads back: " + error);
  if (!entries || entries->empty()) {
    Check(false, "the trace holds the download's exchanges");
    return;
  }
  Check(entries->front().kind == zentho::sim::TraceKind::InputLength, "the trace starts with the input length");
  std::size_t outputs = 0;
  for (const zentho::sim::TraceEntry& entry : *entries) {
    Check(entry.ok, "every exchange of the trace succeeded");
    if (entry.kind == zentho::sim::TraceKind::Output) ++outputs;
  }
  // The 2148-byte file goes out in more than one report, after the image type.
  Check(outputs >= 3, "the trace holds the reports sent: " + std::to_string(outputs));
}

// Starts the program in `work` and waits for its window; null when it does not open.
HWND Start(const std::string& exe, std::string command, const std::string& work,
           PROCESS_INFORMATION& process) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(),
                      &startup, &process)) {
    std::printf("cannot start %s\n", exe.c_str());
    return nullptr;
  }
  HWND dialog = nullptr;
  const bool opened = WaitFor([&] {
    dialog = FindWindowA(nullptr, std::string(text::kWindowCaption).c_str());
    return dialog != nullptr && IsWindowVisible(dialog);
  }, 120);
  Check(opened, "the window opens");
  return opened ? dialog : nullptr;
}

// Waits for the program to end after a close request and checks its exit code.
void AwaitEnd(PROCESS_INFORMATION& process) {
  const bool exited = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  Check(exited, "the program ends after the close");
  if (!exited) TerminateProcess(process.hProcess, 1);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CheckEqual(exitCode, DWORD{0}, "exit code");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::printf("usage: dialog_driver ZenthoIAP.exe WORK_FOLDER [FIRMWARE_NAME]\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  const std::string work = argv[2][0] == '/' ? WindowsPath(argv[2]) : argv[2];
  // The program keeps setup.dat beside itself: run a copy in the work folder.
  const std::string exe = work + "\\ZenthoIAP.exe";
  if (!CopyFileA(argv[1], exe.c_str(), FALSE)) {
    std::printf("cannot copy %s to %s\n", argv[1], exe.c_str());
    return 2;
  }
  const std::string firmware = work + "\\" + (argc == 4 ? argv[3] : "firmware.bin");
  const std::uint32_t length = 2048 + 100;
  {
    std::ofstream file(firmware, std::ios::binary);
    for (std::uint32_t i = 0; i < length; ++i) file.put(static_cast<char>(i * 7));
  }
  const std::string settings = work + "\\setup.dat";
  std::ofstream(settings, std::ios::binary) << firmware << "\r\n";

  const std::string trace = work + "\\window.trace";
  PROCESS_INFORMATION process{};
  HWND dialog = Start(exe, "\"" + exe + "\" --simulate --trace \"" + trace + "\"", work, process);
  if (process.hProcess == nullptr) return 2;
  if (dialog != nullptr) {
    CheckStartState(dialog, exe, firmware);
    CheckResources(exe);
    CheckAboutBox(dialog, [&] { PostMessageA(dialog, WM_SYSCOMMAND, kIdmAboutBox, 0); }, "the system menu");
    // F1 pressed in the window: the system turns it into WM_HELP for the window.
    CheckAboutBox(dialog, [&] {
      SetForegroundWindow(dialog);
      INPUT keys[2]{};
      keys[0].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = VK_F1;
      keys[1] = keys[0];
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
    }, "F1");
    RunDownload(dialog, length);
    CheckTrace(trace);

    // The screenshot is taken from outside Wine; it is told where the window is.
    RECT frame{};
    GetWindowRect(dialog, &frame);
    std::ofstream(work + "\\ready") << (frame.right - frame.left) << "x" << (frame.bottom - frame.top)
                                     << "+" << frame.left << "+" << frame.top << "\n";
    Check(WaitFor([&] { return Exists(work + "\\shot-done"); }, 120), "screenshot taken");

    PostMessageA(dialog, WM_CLOSE, 0, 0);
  }
  AwaitEnd(process);
  CheckEqual(ReadFile(settings), firmware + "\r\n", "setup.dat after the close");

  // The next start reads back what the close wrote, and the next close writes it again.
  PROCESS_INFORMATION again{};
  dialog = Start(exe, "\"" + exe + "\" --simulate", work, again);
  if (again.hProcess == nullptr) return 2;
  if (dialog != nullptr) {
    CheckEqual(Text(dialog, kIdcFilePath), firmware, "file path from the setup.dat the close wrote");
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  }
  AwaitEnd(again);
  CheckEqual(ReadFile(settings), firmware + "\r\n", "setup.dat after the second close");

  std::printf("%s: %d failed checks\n", g_failures == 0 ? "PASSED" : "FAILED", g_failures);
  std::ofstream(work + "\\verdict") << (g_failures == 0 ? "PASSED" : "FAILED");
  return g_failures == 0 ? 0 : 1;
}
