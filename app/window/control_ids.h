// Numeric identifiers of the main window's controls, icons, strings and commands.
#pragma once

#include <array>
#include <cstdint>

namespace zentho::window {

inline constexpr int kIdcProgress = 1000;
inline constexpr int kIdcDownload = 1001;
inline constexpr int kIdcBrowse = 1002;
inline constexpr int kIdcLogPane = 1008;
inline constexpr int kIdcPassIcon = 1010;
inline constexpr int kIdcFailIcon = 1011;
inline constexpr int kIdcIdleIcon = 1012;
inline constexpr int kIdcFilePath = 1015;
inline constexpr int kIdcElapsedTime = 1017;
inline constexpr int kIdcResult = 1025;
inline constexpr int kIdcModeKvm = 1034;
inline constexpr int kIdcModeBootloader = 1035;
inline constexpr int kIdcModeConfig = 1036;
inline constexpr int kIdcConnect = 1038;
inline constexpr int kIdcVendorLabel = 1039;
inline constexpr int kIdcProductLabel = 1040;
inline constexpr int kIdcVendorId = 1041;
inline constexpr int kIdcProductId = 1042;

// The radio buttons of the mode group in template order: the group runs from 1034 to
// the next control that starts a group (1039), and the push button 1038 inside that
// run is not a radio button, so these three are positions 0, 1 and 2.
inline constexpr std::array<int, 3> kModeGroup = {kIdcModeKvm, kIdcModeBootloader, kIdcModeConfig};

inline constexpr int kIdiApp = 128;
inline constexpr int kIdiPass = 130;
inline constexpr int kIdiFail = 131;
inline constexpr int kIdiIdle = 132;
inline constexpr int kIdiBrowse = 135;

// Strings of the Win32 string table (window_strings.h holds the same texts).
inline constexpr unsigned kIdsAboutItem = 101;
inline constexpr unsigned kIdsInitFailed = 103;

inline constexpr unsigned kElapsedTimerId = 1;
inline constexpr unsigned kElapsedTimerPeriodMs = 1000;

inline constexpr std::uint32_t kIdmAboutBox = 0x0010;
inline constexpr std::uint32_t kSysCommandMask = 0xFFF0;
inline constexpr std::uint32_t kScClose = 0xF060;
inline constexpr std::uint32_t kScMinimize = 0xF020;

inline constexpr unsigned kDbtDeviceArrival = 0x8000;
inline constexpr unsigned kDbtDeviceRemoveComplete = 0x8004;

}  // namespace zentho::window
