// Texts of the main window: string table, captions and the window's own trace lines.
#pragma once

#include <string_view>

namespace zentho::window::text {

// String table.
inline constexpr std::string_view kAboutItem = "&About ZenthoIAP...";              // 101
inline constexpr std::string_view kInitFailed = "Windows initialization failed.";  // 103

inline constexpr std::string_view kWindowCaption = "ZenthoIAP Ver.1.0.0";
inline constexpr std::string_view kAboutCaption = "About ZenthoIAP";
inline constexpr std::string_view kAboutText =
    "ZenthoIAP Flash Programming MFC Application Version 1.0.0";

inline constexpr std::string_view kConnect = "Connect";
inline constexpr std::string_view kDisconnect = "Disconnect";
inline constexpr std::string_view kElapsedZero = "00:00:00";
inline constexpr std::string_view kDefaultVendorIdText = "4A5D";
inline constexpr std::string_view kDefaultProductIdText = "7310";
// Asked when the window is closed during a download.
inline constexpr std::string_view kStopDownloadQuestion = "A download is running. Stop it and close?";
// FilePath when setup.dat cannot be read.
inline constexpr std::string_view kNoStoredPath = "?????";

inline constexpr std::string_view kBinaryFilter = "Binary files(*.bin)";
inline constexpr std::string_view kBinaryPattern = "*.bin";
inline constexpr std::string_view kBinaryExtension = "bin";
inline constexpr std::string_view kTextFilter = "Text files(*.txt)";
inline constexpr std::string_view kTextPattern = "*.txt";
inline constexpr std::string_view kTextExtension = "txt";

// The log line, before "Burn fail", of a Download that the file guard refused (the
// guard's refusal and CR LF follow).
inline constexpr std::string_view kDownloadRefusedPrefix = "\r\nNot downloading: ";

// Debug-trace lines of the window's own failure paths (LF alone, as every trace line).
inline constexpr std::string_view kTraceTimerNotStarted = "Cannot start the elapsed-time timer.\n";
inline constexpr std::string_view kTraceWorkerNotStarted = "Cannot start the download worker.\n";
inline constexpr std::string_view kTraceSaveFailedPrefix = "Cannot save settings to ";

}  // namespace zentho::window::text
