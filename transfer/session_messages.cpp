// The log lines that carry numbers.
#include "transfer/session_messages.h"

#include <cstdio>

namespace zentho::msg {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[160];
  const int n = std::snprintf(text, sizeof text, format, args...);
  return std::string(text, n < 0 ? 0 : static_cast<std::size_t>(n));
}

}  // namespace

std::string FileLoaded(std::uint32_t fileLength) {
  return Format("\r\nRuntime file is loaded. File size: %u bytes.\r\n", fileLength);
}

std::string ChipRevision(unsigned revision) { return Format("Chip Revision : %x\r\n", revision); }

std::string DnloadFail(unsigned blockNumber, std::size_t remaining) {
  return Format("DNLOAD FAIL, block number = %x, left len : %zx\r\n", blockNumber, remaining);
}

std::string GetStatusFailAtBlock(unsigned blockNumber) {
  return Format("Get status fail, block number = %x\r\n", blockNumber);
}

std::string AckTimeout(unsigned blockNumber) {
  return Format("Get status timeout, block number = %x\r\n", blockNumber);
}

std::string UnknownDownloadMode(int downloadMode) {
  return Format("ERROR: Unknown download mode %d!!\r\n", downloadMode);
}

}  // namespace zentho::msg
