// A simulated Orvane device: plays the device side of the report protocol, keeps the
// images it receives, records a trace and injects faults. Thread-safe.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "device/hid_platform.h"
#include "device/simulated/fault_plan.h"
#include "device/simulated/report_trace.h"
#include "transfer/clock.h"
#include "transfer/report_protocol.h"

namespace zentho::sim {

// Cost of each transfer on the bus. A 1030-byte SET_REPORT takes 17 packets and an
// 8-byte GET_REPORT one; the flash write of a block delays its acknowledgement.
struct TimingModel {
  std::chrono::microseconds perPacket{0};
  std::chrono::microseconds flashWritePerBlock{0};
  static constexpr unsigned kPacketsPerOutputReport = 17;
  static constexpr unsigned kPacketsPerInputReport = 1;
};

struct SimulatedDeviceOptions {
  FaultPlan faults;
  TimingModel timing;
  bool recordTrace = true;
  // Keep received images byte for byte (off for very large benchmark images: only the
  // length and a digest are kept then).
  bool keepImages = true;
  std::uint16_t vendorId = device::kOrvaneVendorId;
  std::uint16_t productId = device::kOrvaneProductId;
};

struct ReceivedImage {
  std::vector<std::uint8_t> bytes;   // empty when images are not kept
  std::uint64_t length = 0;
  std::uint64_t digest = 0;          // FNV-1a 64 of the bytes
  bool complete = false;             // the closing zero-length DNLOAD arrived
};

std::uint64_t Fnv1a64(const std::uint8_t* data, std::size_t length,
                      std::uint64_t seed = 0xcbf29ce484222325ULL);

class SimulatedDevice final : public ReportChannel {
 public:
  // `clock` carries the timing model's costs (a ManualClock in tests).
  SimulatedDevice(SimulatedDeviceOptions options, Clock& clock);

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  // Why the last exchange that failed, failed: the device was taken out, or a fault of
  // the plan (or a malformed report) refused it.
  std::string failureReason() override;
  std::optional<std::size_t> inputReportLength() override;

  // Unplugs the device: every later call fails.
  void remove();
  bool removed() const;

  std::uint16_t vendorId() const { return options_.vendorId; }
  std::uint16_t productId() const { return options_.productId; }

  // The last image received for each ImageType (the one in progress included).
  std::optional<ReceivedImage> image(ImageType type) const;
  std::vector<TraceEntry> trace() const;
  std::uint8_t state() const;
  unsigned handshakeAttempts() const;

 private:
  unsigned faultCount(Phase phase, unsigned at, FaultKind kind) const;
  const Fault* findFault(Phase phase, unsigned at, FaultKind kind) const;
  bool deliveryFails(Phase phase, unsigned at, std::uint8_t command);
  void checkRemoval(Phase phase, unsigned at);
  void noteFailure(std::string_view exchange);  // under mutex_
  Clock::time_point reserveBus(unsigned packets, std::chrono::microseconds extra);
  void elapse(Clock::time_point busFree);
  void record(TraceKind kind, bool ok, std::size_t length, std::span<const std::uint8_t> bytes);
  bool acceptOutput(std::span<const std::uint8_t> report);
  void handleDownload(std::uint16_t length, std::uint16_t blockNumber,
                      std::span<const std::uint8_t> data);
  bool answerStatus(std::span<std::uint8_t> buffer);
  void fillStatus(std::span<std::uint8_t> buffer, std::uint8_t revisionByte, std::uint8_t state,
                  std::uint16_t nextBlock) const;

  SimulatedDeviceOptions options_;
  Clock& clock_;
  const Clock::time_point origin_;
  Clock::time_point busFreeAt_{};
  Clock::duration overslept_{};
  mutable std::mutex mutex_;
  std::atomic<bool> removed_{false};
  std::string failureReason_;  // under mutex_

  std::uint8_t state_ = 1;
  ImageType imageType_ = ImageType::KvmSystem;
  std::uint16_t expectedBlock_ = 0;  // next block number this image needs
  bool flashWritePending_ = false;   // the last block is still being written
  unsigned attempt_ = 0;             // SETIMGTYPE reports received
  unsigned readsInAttempt_ = 0;
  bool inTransfer_ = false;          // a data block arrived since the last SETIMGTYPE
  std::uint16_t currentBlock_ = 0;   // blockNumber of the last DNLOAD with data
  unsigned readsInBlock_ = 0;
  std::map<std::pair<unsigned, unsigned>, unsigned> deliveryFailures_;  // (command, at) -> so far
  std::map<std::uint8_t, ReceivedImage> images_;
  std::vector<TraceEntry> trace_;
};

}  // namespace zentho::sim
