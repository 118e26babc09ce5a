// Start-up: the socket layer check, the services, CIapDlg and its Win32 dialog.
#include "app/win32/iap_app.h"

#include <commctrl.h>

#include "app/win32/iap_dialog.h"
#include "app/win32/socket_start.h"
#include "app/win32/win32_services.h"
#include "app/win32/win32_window_thread.h"
#include "app/window/control_ids.h"
#include "app/window/iap_dlg.h"
#include "app/window/start_options.h"
#include "app/window/trace_tap.h"
#include "app/window/window_strings.h"
#include "base/native_path.h"
#include "device/simulated/simulated_platform.h"
#include "device/system_hid_platform.h"

namespace zentho::win32 {

std::string ApplicationName() { return PathBytes(ExecutablePath().stem()); }

bool CIapApp::InitInstance(HINSTANCE instance, const std::vector<std::string>& arguments) {
  if (!StartSocketLayer()) {
    const std::string message = ResourceString(window::kIdsInitFailed);
    MessageBoxA(nullptr, message.c_str(), ApplicationName().c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  // The control look of the manifest's common controls 6 in both dialogs.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);

  BeepTones tones;
  DebugOutputTrace trace;
  SystemLocalTime localTime;
  SystemClock clock;
  window::WorkerThreads workers;
  Win32WindowThread windowThread;
  const window::StartOptions options = window::ParseStartOptions(arguments);
  std::unique_ptr<device::HidPlatform> platform =
      options.simulate ? sim::MakeSimulatedPlatform(1, clock) : device::MakeSystemHidPlatform();

  window::WindowServices services{windowThread, *platform, tones, trace, localTime,
                                  clock, workers, window::SettingsBesideExecutable(ExecutablePath())};
  if (options.tracePath) {
    services.channelTap = window::TraceTap(*options.tracePath, clock, trace);
    services.outputs.push_back({"--trace", *options.tracePath});
  }
  window::CIapDlg dlg(services);
  IapDialog dialog(dlg, windowThread);
  dialog.run(instance);
  return false;
}

}  // namespace zentho::win32
