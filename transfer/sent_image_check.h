// A report channel in front of the device that hashes the data of every DNLOAD and lets
// the closing zero-length DNLOAD through only when the image sent has the expected
// SHA-256: a file changed under a running session never ends as a finished image.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "transfer/report_protocol.h"
#include "transfer/sha256.h"

namespace zentho {

class SentImageCheck final : public ReportChannel {
 public:
  SentImageCheck(std::shared_ptr<ReportChannel> device, Sha256Digest expected);

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;

  // True once the closing report was delivered after an image with the expected digest.
  bool confirmed() const;
  // Why the closing report was held back, or empty.
  std::string mismatch() const;

 private:
  bool checkDownload(std::span<const std::uint8_t> report);

  std::shared_ptr<ReportChannel> device_;
  const Sha256Digest expected_;
  mutable std::mutex mutex_;
  Sha256 hash_;
  std::uint32_t nextBlock_ = 0;  // the block number whose data has not been hashed yet
  std::array<std::uint8_t, kBlockSize> lastBlock_{};  // to check that a resend is the same
  std::size_t lastLength_ = 0;
  bool confirmed_ = false;
  std::string mismatch_;
};

}  // namespace zentho
