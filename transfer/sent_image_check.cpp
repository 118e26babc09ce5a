// Hashing the DNLOAD data on its way to the device.
#include "transfer/sent_image_check.h"

#include <algorithm>
#include <cstring>

namespace zentho {

SentImageCheck::SentImageCheck(std::shared_ptr<ReportChannel> device, Sha256Digest expected)
    : device_(std::move(device)), expected_(expected) {}

bool SentImageCheck::setOutputReport(std::span<const std::uint8_t> report) {
  if (report.size() == kCommandReportLength && report[0] == kReportId) {
    const auto command = static_cast<Command>(report[1]);
    if (command == Command::SETIMGTYPE) {
      // A new announcement starts the image again.
      std::lock_guard lock(mutex_);
      hash_ = Sha256();
      nextBlock_ = 0;
      lastLength_ = 0;
    } else if (command == Command::DNLOAD) {
      if (!checkDownload(report)) return false;
      const bool closing = report[2] == 0 && report[3] == 0;
      const bool sent = device_->setOutputReport(report);
      // The session does not look at the closing report's result; the station must.
      if (closing && sent) {
        std::lock_guard lock(mutex_);
        confirmed_ = true;
      }
      return sent;
    }
  }
  return device_->setOutputReport(report);
}

bool SentImageCheck::checkDownload(std::span<const std::uint8_t> report) {
  const std::size_t length = report[2] | std::size_t{report[3]} << 8;
  const std::uint32_t block = report[4] | std::uint32_t{report[5]} << 8;
  std::lock_guard lock(mutex_);
  if (!mismatch_.empty()) return false;
  if (length == 0) {
    const Sha256Digest sent = hash_.finish();
    hash_ = Sha256();
    if (sent != expected_) {
      mismatch_ = "the image sent has SHA-256 " + ToHex(sent) + ", not the file's " + ToHex(expected_);
      return false;
    }
    return true;
  }
  const std::span<const std::uint8_t> data =
      report.subspan(kBlockHeaderLength, std::min(length, kBlockSize));
  if (block == nextBlock_) {
    hash_.update(data);
    std::copy(data.begin(), data.end(), lastBlock_.begin());
    lastLength_ = data.size();
    ++nextBlock_;
    return true;
  }
  // A block offered again after a failed delivery must carry the same bytes.
  if (block + 1 == nextBlock_ && data.size() == lastLength_ &&
      std::equal(data.begin(), data.end(), lastBlock_.begin())) {
    return true;
  }
  mismatch_ = "block " + std::to_string(block) + " went out of order or changed on a resend";
  return false;
}

bool SentImageCheck::getInputReport(std::span<std::uint8_t> buffer) {
  return device_->getInputReport(buffer);
}

std::optional<std::size_t> SentImageCheck::inputReportLength() { return device_->inputReportLength(); }

bool SentImageCheck::confirmed() const {
  std::lock_guard lock(mutex_);
  return confirmed_;
}

std::string SentImageCheck::mismatch() const {
  std::lock_guard lock(mutex_);
  return mismatch_;
}

}  // namespace zentho
