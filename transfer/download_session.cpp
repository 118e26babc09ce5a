// The download session: measure, prepare, handshake, block transfer, close.
#include "transfer/download_session.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "base/file_guard.h"
#include "transfer/session_messages.h"

namespace zentho {
namespace {

class Session {
 public:
  Session(const DownloadRequest& request, SessionContext& context)
      : request_(request), context_(context) {}

  int run();

 private:
  // A stop request silences the session: nothing is sent, read or reported after it.
  bool stopped() const { return context_.stop.stop_requested(); }
  void log(std::string_view text) {
    if (!stopped()) context_.sink.appendLog(text);
  }
  void trace(std::string_view line) {
    if (!stopped()) context_.sink.debugTrace(line);
  }
  void progress(std::uint32_t position) {
    if (!stopped()) context_.sink.setProgressPosition(position);
  }
  bool send(Command command) {
    return !stopped() &&
           noteFailure(sendCommand(context_.channel, report_, command, imageType_));
  }
  bool sendData(std::uint16_t length) {
    return !stopped() && noteFailure(sendBlock(context_.channel, report_, blockNumber_, length));
  }
  std::optional<StatusReport> read(std::size_t length) {
    if (stopped()) return std::nullopt;
    std::optional<StatusReport> status = readStatus(context_.channel, status_, length);
    noteFailure(status.has_value());
    return status;
  }
  // A field log must tell a stalled device from one that went away: the channel's
  // reason for a failed exchange goes to the sink, never into the log text.
  bool noteFailure(bool ok) {
    if (!ok && !stopped()) {
      if (const std::string reason = context_.channel.failureReason(); !reason.empty()) {
        context_.sink.exchangeFailed(reason);
      }
    }
    return ok;
  }
  bool pause() { return context_.clock.sleepFor(kRecoveryPause, context_.stop); }

  bool measure();
  bool prepare();
  bool handshake();
  bool transferBlocks();
  bool awaitAcknowledgement();
  bool takeNextBlock(std::uint16_t length);

  const DownloadRequest& request_;
  SessionContext& context_;
  ImageType imageType_ = ImageType::KvmSystem;
  std::uint32_t fileLength_ = 0;
  std::size_t imageLength_ = 0;
  std::size_t remaining_ = 0;
  std::size_t sourcePosition_ = 0;
  std::uint16_t blockNumber_ = 0;
  FileHandle firmware_;
  CommandReport report_;
  std::vector<std::uint8_t> status_ = std::vector<std::uint8_t>(kStatusReportLength, 0);
};

int Session::run() {
  if (stopped()) return 0;
  const std::optional<ImageType> imageType = ImageTypeFor(request_.downloadMode);
  if (!imageType) {
    log(msg::UnknownDownloadMode(static_cast<int>(request_.downloadMode)));
    return 0;
  }
  imageType_ = *imageType;
  if (!measure() || !prepare() || stopped()) return 0;

  context_.sink.setProgressRange(0, fileLength_);
  context_.sink.setProgressStep(static_cast<std::uint32_t>(kBlockSize));
  context_.sink.setProgressPosition(0);
  log(msg::kStartTransferring);

  if (!handshake() || !transferBlocks() || stopped()) return 0;

  // The zero-length DNLOAD ends the image; the device answers nothing to it.
  sendData(0);
  firmware_.reset();
  progress(fileLength_);
  log(msg::kTransmittedSuccessfully);
  return 1;
}

bool Session::measure() {
  // Through the file guard: a folder, a FIFO or a device is refused without a read. The
  // length is the opened file's: measured by its path it would go through another
  // conversion of the name than the one that opened it.
  const OsResult<FileHandle> file = OpenInput(request_.filePath);
  const OsResult<std::uint64_t> length =
      file ? FileLength(file->get()) : OsResult<std::uint64_t>(OsError{file.reason()});
  if (!length) {
    log(msg::kCannotOpenBinary);
    return false;
  }
  // The length travels as 32 bits (log line and progress range); a larger file would
  // be sent cut short without a word.
  const std::uint64_t size = *length;
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    log(msg::kBinaryFileTooLarge);
    return false;
  }
  fileLength_ = static_cast<std::uint32_t>(size);
  log(msg::FileLoaded(fileLength_));
  return true;
}

bool Session::prepare() {
  if (request_.downloadMode == DownloadMode::SoftwareConfig) {
    const OsResult<unsigned> count = BuildConfigImageFromFile(request_.filePath, context_.configImage);
    if (!count) {
      log(msg::kCannotOpenText);
      return false;
    }
    if (count.value() != kConfigImageLength) {
      log(msg::kConfigLengthWrong);
    }
    imageLength_ = kConfigImageLength;
  } else {
    // An empty image would go out as one zero-length block, which the device takes as
    // the end of an image it never received.
    if (fileLength_ == 0) {
      log(msg::kBinaryFileEmpty);
      return false;
    }
    OsResult<FileHandle> firmware = OpenInput(request_.filePath);
    if (firmware) firmware_ = std::move(firmware.value());
    if (!firmware_) {
      log(msg::kCannotOpenBinary);
      return false;
    }
    imageLength_ = fileLength_;
  }
  remaining_ = imageLength_;
  return true;
}

bool Session::handshake() {
  const std::optional<std::size_t> declared =
      stopped() ? std::nullopt : context_.channel.inputReportLength();
  // A declared length below 8 could not carry the state and the next block number; one
  // above the HID maximum is a broken answer, and would be a buffer of that size.
  if (!declared || *declared < kStatusReportLength || *declared > kMaxInputReportLength) {
    log(msg::kGetStatusFail);
    return false;
  }
  const std::size_t readLength = *declared;

  for (int attempts = 0;;) {
    if (!send(Command::SETIMGTYPE)) {
      trace(msg::kTraceSetImageTypeFailed);
      log(msg::kSetImageTypeFail);
      if (request_.downloadMode == DownloadMode::Bootloader) log(msg::kBootloaderWriteProtected);
      return false;
    }
    const std::optional<StatusReport> status = read(readLength);
    if (!status) {
      log(msg::kGetStatusFail);
      if (++attempts >= kHandshakeAttempts || stopped()) return false;
      continue;
    }
    log(msg::ChipRevision(status->chipRevision));
    if (status->chipRevision == 0) {
      log(msg::kChipRevisionWrong);
      send(Command::ABORT);
      return false;
    }
    if (status->state == static_cast<std::uint8_t>(DeviceState::STATE_dfuIDLE)) return true;

    const Command recovery = status->state == static_cast<std::uint8_t>(DeviceState::STATE_dfuERROR)
                                 ? Command::CLRSTATUS
                                 : Command::ABORT;
    if (!send(recovery)) {
      trace(msg::kTraceCannotGoIdle);
      log(msg::kIdleFail);
      return false;
    }
    if (!pause() || ++attempts >= kHandshakeAttempts) return false;
  }
}

bool Session::takeNextBlock(std::uint16_t length) {
  if (request_.downloadMode == DownloadMode::SoftwareConfig) {
    std::copy_n(context_.configImage.begin() + static_cast<std::ptrdiff_t>(sourcePosition_), length,
                report_.data());
  } else if (std::fread(report_.data(), 1, length, firmware_.get()) != length) {
    // The file shrank after it was measured: the block would go out with stale bytes.
    log(msg::kCannotReadBinary);
    return false;
  }
  sourcePosition_ += length;
  return true;
}

bool Session::transferBlocks() {
  trace(msg::kTraceStartDownload);
  const std::size_t totalBlocks = (imageLength_ + kBlockSize - 1) / kBlockSize;
  std::size_t acknowledged = 0;
  blockNumber_ = 0;
  while (remaining_ > 0) {
    const auto length = static_cast<std::uint16_t>(std::min(remaining_, kBlockSize));
    if (!takeNextBlock(length)) return false;
    remaining_ -= length;

    for (int sendFailures = 0; !sendData(length);) {
      log(msg::DnloadFail(blockNumber_, remaining_));
      if (!pause() || ++sendFailures >= kBlockOffers) return false;
    }
    if (!awaitAcknowledgement()) return false;

    ++acknowledged;
    progress(static_cast<std::uint32_t>(std::uint64_t{fileLength_} * acknowledged / totalBlocks));
    ++blockNumber_;
  }
  return true;
}

bool Session::awaitAcknowledgement() {
  const std::uint16_t expected = static_cast<std::uint16_t>(blockNumber_ + 1);
  const Clock::time_point deadline = context_.clock.now() + request_.settings.ackTimeout;
  for (int readFailures = 0;;) {
    if (stopped()) return false;
    const std::optional<StatusReport> status = read(kStatusReportLength);
    if (!status) {
      log(msg::GetStatusFailAtBlock(blockNumber_));
      if (++readFailures >= kAckReadFailures) return false;
    } else if (status->state == static_cast<std::uint8_t>(DeviceState::STATE_dfuDNLOAD_IDLE) &&
               status->nextBlock == expected) {
      return true;
    } else if (status->state == static_cast<std::uint8_t>(DeviceState::STATE_dfuERROR)) {
      log(msg::kDownloadFailedAtGetStatus);
      return false;
    }
    if (context_.clock.now() >= deadline) {
      log(msg::AckTimeout(blockNumber_));
      return false;
    }
  }
}

}  // namespace

int RunDownloadSession(const DownloadRequest& request, SessionContext& context) {
  Session session(request, context);
  return session.run();
}

}  // namespace zentho
