// Every log and debug-trace text of a download, kept in one place for the session,
// the front ends and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentho::msg {

// Lines the front ends write around a session (the download job's own).
inline constexpr std::string_view kJobStart =
    "\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n";
inline constexpr std::string_view kBurnFail = "\r\nBurn fail\r\n";

// Session log lines.
std::string FileLoaded(std::uint32_t fileLength);
inline constexpr std::string_view kCannotOpenBinary =
    "ERROR: Cannot open this Runtime binary file!!\r\n";
inline constexpr std::string_view kCannotOpenText = "ERROR: Cannot open this text file!!\r\n";
inline constexpr std::string_view kConfigLengthWrong =
    "The Length of SW Configuation in text file is wrong !!\r\n";
inline constexpr std::string_view kStartTransferring = "Start Runtime Transferring...\r\n";
inline constexpr std::string_view kSetImageTypeFail = "SETIMGETYPE FAIL\r\n";
inline constexpr std::string_view kBootloaderWriteProtected =
    "Or Boot loader is memory write protection\r\n";
inline constexpr std::string_view kGetStatusFail = "GETSTATUS FAIL\r\n";
std::string ChipRevision(unsigned revision);
inline constexpr std::string_view kChipRevisionWrong = "\r\nChip Revision wrong!!\r\n";
inline constexpr std::string_view kIdleFail = "STATE_dfuIDLE FAIL\r\n";
std::string DnloadFail(unsigned blockNumber, std::size_t remaining);
std::string GetStatusFailAtBlock(unsigned blockNumber);
inline constexpr std::string_view kDownloadFailedAtGetStatus = "Download failed at GET_STATUS\r\n";
inline constexpr std::string_view kTransmittedSuccessfully =
    "--- Runtime firmware is transmitted successfully ---\r\n\r\n";

// Lines for the cases the device protocol leaves open.
std::string AckTimeout(unsigned blockNumber);
inline constexpr std::string_view kBinaryFileEmpty = "ERROR: The Runtime binary file is empty!!\r\n";
inline constexpr std::string_view kCannotReadBinary =
    "ERROR: Cannot read this Runtime binary file!!\r\n";
inline constexpr std::string_view kBinaryFileTooLarge =
    "ERROR: The Runtime binary file is too large!!\r\n";
std::string UnknownDownloadMode(int downloadMode);

// Debug trace lines.
inline constexpr std::string_view kTraceSetImageTypeFailed = "Failed at SETIMGTYPE.\n";
inline constexpr std::string_view kTraceCannotGoIdle =
    "The state of device cannot go back to STATE_dfuIDLE.\n";
inline constexpr std::string_view kTraceStartDownload = "Start download file to device\n";

}  // namespace zentho::msg
