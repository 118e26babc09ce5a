// Encoding and decoding of the command and status reports.
#include "transfer/report_protocol.h"

#include <algorithm>
#include <cstring>

namespace zentho {

std::string_view CommandName(std::uint8_t command) {
  switch (static_cast<Command>(command)) {
    case Command::DNLOAD: return "DNLOAD";
    case Command::CLRSTATUS: return "CLRSTATUS";
    case Command::ABORT: return "ABORT";
    case Command::SETIMGTYPE: return "SETIMGTYPE";
  }
  return "UNKNOWN";
}

std::string_view StateName(std::uint8_t state) {
  switch (static_cast<DeviceState>(state)) {
    case DeviceState::STATE_dfuIDLE: return "STATE_dfuIDLE";
    case DeviceState::STATE_dfuDNLOAD_IDLE: return "STATE_dfuDNLOAD_IDLE";
    case DeviceState::STATE_dfuERROR: return "STATE_dfuERROR";
  }
  return "busy";
}

std::optional<ImageType> ImageTypeFor(DownloadMode mode) {
  switch (mode) {
    case DownloadMode::KvmSystem: return ImageType::KvmSystem;
    case DownloadMode::Bootloader: return ImageType::Bootloader;
    case DownloadMode::SoftwareConfig: return ImageType::SoftwareConfig;
  }
  return std::nullopt;
}

bool sendCommand(ReportChannel& channel, CommandReport& report, Command command,
                 ImageType imageType) {
  std::uint8_t* bytes = report.bytes();
  bytes[0] = kReportId;
  bytes[1] = static_cast<std::uint8_t>(command);
  bytes[2] = static_cast<std::uint8_t>(imageType);
  return channel.setOutputReport({bytes, kCommandReportLength});
}

bool sendBlock(ReportChannel& channel, CommandReport& report, std::uint16_t blockNumber,
               std::uint16_t length) {
  std::uint8_t* bytes = report.bytes();
  bytes[0] = kReportId;
  bytes[1] = static_cast<std::uint8_t>(Command::DNLOAD);
  bytes[2] = static_cast<std::uint8_t>(length & 0xFF);
  bytes[3] = static_cast<std::uint8_t>(length >> 8);
  bytes[4] = static_cast<std::uint8_t>(blockNumber & 0xFF);
  bytes[5] = static_cast<std::uint8_t>(blockNumber >> 8);
  return channel.setOutputReport({bytes, kCommandReportLength});
}

bool sendBlock(ReportChannel& channel, CommandReport& report, std::uint16_t blockNumber,
               std::span<const std::uint8_t> data) {
  const std::size_t length = std::min(data.size(), kBlockSize);
  if (length > 0 && data.data() != report.data()) {
    std::memmove(report.data(), data.data(), length);
  }
  return sendBlock(channel, report, blockNumber, static_cast<std::uint16_t>(length));
}

StatusReport DecodeStatus(std::span<const std::uint8_t> bytes) {
  StatusReport status;
  if (bytes.size() < kStatusReportLength) return status;
  status.chipRevision = static_cast<std::uint8_t>(bytes[1] >> 4);
  status.state = bytes[3];
  status.nextBlock = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
  return status;
}

std::optional<StatusReport> readStatus(ReportChannel& channel, std::vector<std::uint8_t>& buffer,
                                       std::size_t length) {
  if (length < kStatusReportLength) return std::nullopt;
  if (buffer.size() < length) buffer.resize(length);
  buffer[0] = kReportId;
  if (!channel.getInputReport({buffer.data(), length})) return std::nullopt;
  return DecodeStatus({buffer.data(), kStatusReportLength});
}

}  // namespace zentho
