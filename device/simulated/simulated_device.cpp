// The device side of the report protocol, with faults, a trace and a bus timing model.
#include "device/simulated/simulated_device.h"

#include <algorithm>

namespace zentho::sim {
namespace {

constexpr std::uint8_t kIdle = static_cast<std::uint8_t>(DeviceState::STATE_dfuIDLE);
constexpr std::uint8_t kDownloadIdle = static_cast<std::uint8_t>(DeviceState::STATE_dfuDNLOAD_IDLE);
constexpr std::uint8_t kError = static_cast<std::uint8_t>(DeviceState::STATE_dfuERROR);
constexpr std::uint8_t kBusy = 2;  // any state but 1, 4 and 8 tells the host to ask again

}  // namespace

FaultPlan FaultPlan::HandshakeStates(const std::vector<std::uint8_t>& states) {
  FaultPlan plan;
  for (std::size_t i = 0; i < states.size(); ++i) {
    plan.faults.push_back({.phase = Phase::Handshake,
                           .at = static_cast<unsigned>(i + 1),
                           .kind = FaultKind::ReportState,
                           .value = states[i]});
  }
  return plan;
}

std::uint64_t Fnv1a64(const std::uint8_t* data, std::size_t length, std::uint64_t seed) {
  std::uint64_t hash = seed;
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= data[i];
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

SimulatedDevice::SimulatedDevice(SimulatedDeviceOptions options, Clock& clock)
    : options_(std::move(options)), clock_(clock), origin_(clock.now()), busFreeAt_(origin_) {}

const Fault* SimulatedDevice::findFault(Phase phase, unsigned at, FaultKind kind) const {
  for (const Fault& fault : options_.faults.faults) {
    if (fault.phase == phase && fault.at == at && fault.kind == kind) return &fault;
  }
  return nullptr;
}

unsigned SimulatedDevice::faultCount(Phase phase, unsigned at, FaultKind kind) const {
  const Fault* fault = findFault(phase, at, kind);
  return fault != nullptr ? fault->count : 0;
}

bool SimulatedDevice::deliveryFails(Phase phase, unsigned at, std::uint8_t command) {
  for (const Fault& fault : options_.faults.faults) {
    if (fault.phase != phase || fault.at != at || fault.kind != FaultKind::FailDelivery) continue;
    const std::uint8_t faultCommand =
        fault.command != 0 ? fault.command
                           : static_cast<std::uint8_t>(phase == Phase::Handshake ? Command::SETIMGTYPE
                                                                                  : Command::DNLOAD);
    if (faultCommand != command) continue;
    unsigned& failures = deliveryFailures_[{command, at}];
    if (failures < fault.count) {
      ++failures;
      return true;
    }
  }
  return false;
}

void SimulatedDevice::checkRemoval(Phase phase, unsigned at) {
  if (findFault(phase, at, FaultKind::Remove) != nullptr) removed_ = true;
}

Clock::time_point SimulatedDevice::reserveBus(unsigned packets, std::chrono::microseconds extra) {
  // Deadlines chain from the previous transfer. The host counts as ready when it calls,
  // less how far this device's last wait overslept its deadline: that lateness is the
  // simulation's (a timed sleep), not the host's, and the next waits make it up.
  const auto cost = options_.timing.perPacket * packets + extra;
  busFreeAt_ = std::max(busFreeAt_, clock_.now() - overslept_) + cost;
  return busFreeAt_;
}

void SimulatedDevice::elapse(Clock::time_point busFree) {
  clock_.elapseUntil(busFree);
  const Clock::time_point woke = clock_.now();
  std::lock_guard lock(mutex_);
  overslept_ = woke - busFree;
}

void SimulatedDevice::record(TraceKind kind, bool ok, std::size_t length,
                             std::span<const std::uint8_t> bytes) {
  if (!options_.recordTrace) return;
  trace_.push_back({kind, ok, length, {bytes.begin(), bytes.end()}, clock_.now() - origin_});
}

bool SimulatedDevice::setOutputReport(std::span<const std::uint8_t> report) {
  Clock::time_point busFree;
  {
    std::lock_guard lock(mutex_);
    busFree = reserveBus(TimingModel::kPacketsPerOutputReport, {});
  }
  if (options_.timing.perPacket.count() > 0) elapse(busFree);

  std::lock_guard lock(mutex_);
  const bool ok = acceptOutput(report);
  if (!ok) noteFailure("output report");
  record(TraceKind::Output, ok, report.size(), report);
  return ok;
}

void SimulatedDevice::noteFailure(std::string_view exchange) {
  failureReason_.assign(exchange).append(removed_ ? ": No such device" : ": refused by the simulated device");
}

std::string SimulatedDevice::failureReason() {
  std::lock_guard lock(mutex_);
  return failureReason_;
}

bool SimulatedDevice::acceptOutput(std::span<const std::uint8_t> report) {
  if (removed_ || report.size() != kCommandReportLength || report[0] != kReportId) return false;
  const std::uint8_t command = report[1];
  const auto imageType = static_cast<ImageType>(report[2]);
  switch (static_cast<Command>(command)) {
    case Command::SETIMGTYPE:
      ++attempt_;
      checkRemoval(Phase::Handshake, attempt_);
      if (removed_ || deliveryFails(Phase::Handshake, attempt_, command)) return false;
      imageType_ = imageType;
      readsInAttempt_ = 0;
      inTransfer_ = false;
      return true;
    case Command::CLRSTATUS:
    case Command::ABORT:
      if (deliveryFails(Phase::Handshake, attempt_, command)) return false;
      // Both bring the device back to idle; an image in progress is dropped.
      state_ = kIdle;
      expectedBlock_ = 0;
      return true;
    case Command::DNLOAD: {
      const auto length = static_cast<std::uint16_t>(report[2] | (report[3] << 8));
      const auto blockNumber = static_cast<std::uint16_t>(report[4] | (report[5] << 8));
      if (length > 0) {
        checkRemoval(Phase::Transfer, blockNumber);
        if (removed_ || deliveryFails(Phase::Transfer, blockNumber, command)) return false;
      }
      handleDownload(length, blockNumber, report.subspan(kBlockHeaderLength));
      return true;
    }
  }
  return false;  // codes 0 and 2 are never sent; an unknown command is refused
}

void SimulatedDevice::handleDownload(std::uint16_t length, std::uint16_t blockNumber,
                                     std::span<const std::uint8_t> data) {
  const auto key = static_cast<std::uint8_t>(imageType_);
  if (length == 0) {
    // The closing report: the image is complete when it follows the last block.
    if (state_ == kDownloadIdle && blockNumber == expectedBlock_) images_[key].complete = true;
    state_ = kIdle;
    expectedBlock_ = 0;
    inTransfer_ = false;
    return;
  }
  inTransfer_ = true;
  currentBlock_ = blockNumber;
  readsInBlock_ = 0;
  if (length > kBlockSize || state_ == kError) {
    state_ = kError;
    return;
  }
  if (state_ == kIdle && blockNumber == 0) {
    images_[key] = ReceivedImage{};
    expectedBlock_ = 0;
  } else if (state_ != kDownloadIdle || blockNumber != expectedBlock_) {
    state_ = kError;  // out of order or without a handshake
    return;
  }
  ReceivedImage& image = images_[key];
  if (image.length == 0) image.digest = Fnv1a64(nullptr, 0);
  if (options_.keepImages) image.bytes.insert(image.bytes.end(), data.begin(), data.begin() + length);
  image.digest = Fnv1a64(data.data(), length, image.digest);
  image.length += length;
  expectedBlock_ = static_cast<std::uint16_t>(blockNumber + 1);
  state_ = kDownloadIdle;
  flashWritePending_ = true;
}

bool SimulatedDevice::getInputReport(std::span<std::uint8_t> buffer) {
  Clock::time_point busFree;
  bool charged = false;
  {
    std::lock_guard lock(mutex_);
    // The flash write of the last block delays the answer that acknowledges it.
    const auto extra = flashWritePending_ ? options_.timing.flashWritePerBlock
                                          : std::chrono::microseconds{0};
    flashWritePending_ = false;
    busFree = reserveBus(TimingModel::kPacketsPerInputReport, extra);
    charged = options_.timing.perPacket.count() > 0 || extra.count() > 0;
  }
  if (charged) elapse(busFree);

  std::lock_guard lock(mutex_);
  const bool ok = !removed_ && buffer.size() >= 2 && buffer[0] == kReportId && answerStatus(buffer);
  if (!ok) noteFailure("input report");
  record(TraceKind::Input, ok, buffer.size(), buffer);
  return ok;
}

void SimulatedDevice::fillStatus(std::span<std::uint8_t> buffer, std::uint8_t revisionByte,
                                 std::uint8_t state, std::uint16_t nextBlock) const {
  const std::uint8_t status[kStatusReportLength] = {
      kReportId, revisionByte, 0, state,
      static_cast<std::uint8_t>(nextBlock & 0xFF), static_cast<std::uint8_t>(nextBlock >> 8), 0, 0};
  std::fill(buffer.begin(), buffer.end(), 0);
  std::copy_n(status, std::min(buffer.size(), kStatusReportLength), buffer.begin());
}

bool SimulatedDevice::answerStatus(std::span<std::uint8_t> buffer) {
  std::uint8_t revisionByte = options_.faults.chipRevisionByte;
  if (!inTransfer_) {
    const unsigned read = ++readsInAttempt_;
    if (read <= faultCount(Phase::Handshake, attempt_, FaultKind::FailRead)) return false;
    if (const Fault* f = findFault(Phase::Handshake, attempt_, FaultKind::ChipRevisionByte)) {
      revisionByte = static_cast<std::uint8_t>(f->value);
    }
    std::uint8_t state = state_;
    if (const Fault* f = findFault(Phase::Handshake, attempt_, FaultKind::ReportState)) {
      state = static_cast<std::uint8_t>(f->value);
    }
    fillStatus(buffer, revisionByte, state, expectedBlock_);
    return true;
  }

  const unsigned read = ++readsInBlock_;
  const unsigned failing = faultCount(Phase::Transfer, currentBlock_, FaultKind::FailRead);
  const unsigned pending = faultCount(Phase::Transfer, currentBlock_, FaultKind::PendingReads);
  const Fault* wrongAnswer = findFault(Phase::Transfer, currentBlock_, FaultKind::WrongNextBlock);
  const unsigned wrong = wrongAnswer != nullptr ? wrongAnswer->count : 0;
  if (read <= failing) return false;

  bool neverAcknowledged = false;
  for (const Fault& fault : options_.faults.faults) {
    neverAcknowledged |= fault.phase == Phase::Transfer && fault.kind == FaultKind::NeverAcknowledge &&
                         fault.at <= currentBlock_;
  }
  if (state_ == kDownloadIdle && (neverAcknowledged || read <= failing + pending)) {
    const Fault* f = findFault(Phase::Transfer, currentBlock_, FaultKind::PendingReads);
    const auto busy = static_cast<std::uint8_t>(f != nullptr && f->value != 0 ? f->value : kBusy);
    fillStatus(buffer, revisionByte, busy, currentBlock_);
    return true;
  }
  if (state_ == kDownloadIdle && wrongAnswer != nullptr && read <= failing + pending + wrong) {
    fillStatus(buffer, revisionByte, kDownloadIdle, wrongAnswer->value);
    return true;
  }
  if (const Fault* f = findFault(Phase::Transfer, currentBlock_, FaultKind::ReportState)) {
    state_ = static_cast<std::uint8_t>(f->value);
  }
  fillStatus(buffer, revisionByte, state_, expectedBlock_);
  return true;
}

std::optional<std::size_t> SimulatedDevice::inputReportLength() {
  std::lock_guard lock(mutex_);
  std::optional<std::size_t> length;
  if (!removed_) length = options_.faults.declaredInputLength;
  record(TraceKind::InputLength, length.has_value(), length.value_or(0), {});
  return length;
}

void SimulatedDevice::remove() { removed_ = true; }

bool SimulatedDevice::removed() const { return removed_; }

std::optional<ReceivedImage> SimulatedDevice::image(ImageType type) const {
  std::lock_guard lock(mutex_);
  const auto it = images_.find(static_cast<std::uint8_t>(type));
  if (it == images_.end()) return std::nullopt;
  return it->second;
}

std::vector<TraceEntry> SimulatedDevice::trace() const {
  std::lock_guard lock(mutex_);
  return trace_;
}

std::uint8_t SimulatedDevice::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

unsigned SimulatedDevice::handshakeAttempts() const {
  std::lock_guard lock(mutex_);
  return attempt_;
}

}  // namespace zentho::sim
