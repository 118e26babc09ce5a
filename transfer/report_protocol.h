// HID report layouts, command and state codes, and the three report operations.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/download_mode.h"

namespace zentho {

inline constexpr std::uint8_t kReportId = 1;
inline constexpr std::size_t kCommandReportLength = 1030;  // report ID + 1029 bytes
inline constexpr std::size_t kStatusReportLength = 8;      // report ID + 7 bytes
// The longest report a HID device can declare to the kernel (HID_MAX_BUFFER_SIZE); a
// declared input length above it is a failed length query, never a buffer to allocate.
inline constexpr std::size_t kMaxInputReportLength = 16384;
inline constexpr std::size_t kBlockSize = 1024;
inline constexpr std::size_t kBlockHeaderLength = 6;       // ID, command, length, blockNumber

enum class Command : std::uint8_t {
  DNLOAD = 1,
  CLRSTATUS = 3,
  ABORT = 4,
  SETIMGTYPE = 5,
};

// Device states the host acts on; every other value means busy or not ready.
enum class DeviceState : std::uint8_t {
  STATE_dfuIDLE = 1,
  STATE_dfuDNLOAD_IDLE = 4,
  STATE_dfuERROR = 8,
};

enum class ImageType : std::uint8_t {
  Bootloader = 0,
  KvmSystem = 1,
  SoftwareConfig = 2,
};

std::string_view CommandName(std::uint8_t command);
std::string_view StateName(std::uint8_t state);

// DownloadMode 0 (KVM) sends 1, mode 1 (bootloader) sends 0, mode 2 (config) sends 2;
// nothing for a number outside the three.
std::optional<ImageType> ImageTypeFor(DownloadMode mode);

// The 1030-byte output report. One buffer serves every report of a session and is
// not cleared between them: bytes a command does not use keep what was there.
class CommandReport {
 public:
  CommandReport() { bytes_.fill(0); }
  std::uint8_t* bytes() { return bytes_.data(); }
  const std::uint8_t* bytes() const { return bytes_.data(); }
  // Where a DNLOAD block's data goes (byte 6 onward, 1024 bytes).
  std::uint8_t* data() { return bytes_.data() + kBlockHeaderLength; }

 private:
  std::array<std::uint8_t, kCommandReportLength> bytes_;
};

// The decoded input report.
struct StatusReport {
  std::uint8_t chipRevision = 0;  // bits 7-4 of byte 1
  std::uint8_t state = 0;         // byte 3
  std::uint16_t nextBlock = 0;    // bytes 4-5, little-endian
};

// What the transfer needs of an open device. Implementations return false when the
// platform call fails; they never retry and never log.
class ReportChannel {
 public:
  virtual ~ReportChannel() = default;
  // Sends `report` (kCommandReportLength bytes, byte 0 the report ID).
  virtual bool setOutputReport(std::span<const std::uint8_t> report) = 0;
  // Reads input report buffer[0] into `buffer` (its size is the length to read).
  virtual bool getInputReport(std::span<std::uint8_t> buffer) = 0;
  // The device's declared input report length, report ID included.
  virtual std::optional<std::size_t> inputReportLength() = 0;
  // Why the last exchange that failed, failed, in the system's words, for traces and
  // field logs ("HIDIOCSOUTPUT: Broken pipe"); empty when the channel cannot tell.
  virtual std::string failureReason() { return {}; }
};

// Writes ID, command and ImageType into the report and sends all 1030 bytes.
bool sendCommand(ReportChannel& channel, CommandReport& report, Command command,
                 ImageType imageType);

// Writes the DNLOAD header; the data must already lie at report.data().
bool sendBlock(ReportChannel& channel, CommandReport& report, std::uint16_t blockNumber,
               std::uint16_t length);

// Copies `data` (at most 1024 bytes) to the report, then sends it as above.
bool sendBlock(ReportChannel& channel, CommandReport& report, std::uint16_t blockNumber,
               std::span<const std::uint8_t> data);

// Reads `length` bytes of input report 1 into `buffer` (resized when shorter) and
// decodes it. `length` must be at least kStatusReportLength.
std::optional<StatusReport> readStatus(ReportChannel& channel, std::vector<std::uint8_t>& buffer,
                                       std::size_t length);

StatusReport DecodeStatus(std::span<const std::uint8_t> bytes);

}  // namespace zentho
