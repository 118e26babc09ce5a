// The two dialog templates as tables.
#include "app/window/dialog_template.h"

#include <array>

#include "app/window/control_ids.h"
#include "app/window/window_strings.h"

namespace zentho::window {

using K = ControlKind;

namespace {

constexpr std::array<ControlEntry, 23> kMainControls = {{
    {kIdcFilePath, K::Edit, "", 13, 98, 234, 14, true, false, true, true},
    {kIdcBrowse, K::IconButton, "Load MCPU binary file", 255, 94, 17, 14, true, false, false, true},
    {kIdcDownload, K::PushButton, "Download", 209, 121, 44, 28, false, false, false, true},
    {kIdcProgress, K::Progress, "", 21, 238, 562, 12},
    {kIdcElapsedTime, K::Label, "00:00:00", 67, 226, 35, 8},
    {kNoId, K::Label, "Time Cost:", 23, 226, 40, 8},
    {kIdcLogPane, K::LogEdit, "", 285, 20, 301, 200, false, false, true, true},
    {kNoId, K::Label, "Status", 288, 4, 36, 8},
    {kNoId, K::Label, "Result:", 119, 113, 31, 8},
    {kIdcPassIcon, K::IconStatic, "", 47, 127, 21, 23, false, true, false, false, kIdiPass},
    {kNoId, K::GroupBox, "", 120, 120, 25, 31},
    {kIdcFailIcon, K::IconStatic, "", 16, 124, 21, 23, false, true, false, false, kIdiFail},
    {kIdcIdleIcon, K::IconStatic, "", 81, 124, 21, 23, false, true, false, false, kIdiIdle},
    {kNoId, K::GroupBox, "Zentho Firmware Download Setting", 7, 46, 273, 108},
    {kIdcResult, K::IconStatic, "", 124, 124, 21, 20},
    {kIdcModeKvm, K::Radio, "Download KVM system Code", 13, 62, 112, 10},
    {kIdcModeBootloader, K::Radio, "Download Bootloader Code", 13, 75, 112, 10},
    {kIdcModeConfig, K::Radio, "Download Software Config", 13, 87, 112, 10},
    {kIdcConnect, K::PushButton, "Connect", 197, 157, 78, 32, false, false, false, true},
    {kIdcVendorLabel, K::Label, "Vendor ID (Hex)", 18, 10, 70, 13},
    {kIdcProductLabel, K::Label, "Product ID (Hex)", 18, 28, 66, 8},
    {kIdcVendorId, K::Edit, "", 91, 10, 65, 14, false, false, false, true},
    {kIdcProductId, K::Edit, "", 91, 27, 65, 14, false, false, false, true},
}};

constexpr std::array<ControlEntry, 3> kAboutControls = {{
    {kNoId, K::IconStatic, "", 11, 7, 21, 20, false, false, false, false, kIdiApp},
    {kNoId, K::Label, text::kAboutText, 40, 10, 148, 15},
    {1, K::PushButton, "OK", 191, 7, 37, 14, false, false, false, true},
}};

}  // namespace

const DialogTemplate& MainWindowTemplate() {
  static const DialogTemplate dialogTemplate{text::kWindowCaption, 595, 271, kMainControls};
  return dialogTemplate;
}

const DialogTemplate& AboutBoxTemplate() {
  static const DialogTemplate dialogTemplate{text::kAboutCaption, 235, 55, kAboutControls};
  return dialogTemplate;
}

}  // namespace zentho::window
