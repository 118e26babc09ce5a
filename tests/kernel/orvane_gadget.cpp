// The emulated Orvane board: a FunctionFS function that carries the simulated device's
// report protocol over a real USB control pipe (and, as an option, an interrupt OUT
// endpoint), so the kernel's usbhid and hidraw drive the same model the tests use.
//
//   orvane_gadget --ffs DIR [--keyboard-first] [--interrupt-out take|ignore]
//                 [--stall-at N] [--hang-at N] [--state8-at N] [--revision BYTE]
//                 [--mark-at N FILE]
//
// DIR is the mounted FunctionFS instance. The program writes the descriptors, answers
// ep0 until it is killed, and prints one line per finished image:
//   image TYPE LENGTH complete|incomplete SHA256
// A board that is unbound and bound again starts afresh, as a bus-powered board would.
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/simulated/simulated_device.h"
#include "gadget_descriptors.h"
#include "transfer/clock.h"
#include "transfer/sha256.h"

namespace {

using namespace zentho;

struct Options {
  std::string ffs;
  gadget::BoardShape shape;
  bool takeInterruptOut = true;
  std::optional<unsigned> stallAt, hangAt, state8At;
  std::uint8_t revisionByte = 0x10;
  std::optional<unsigned> markAt;
  std::string markFile;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr, "orvane_gadget: %s\n", why);
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto next = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value after " + arg).c_str());
      return argv[++i];
    };
    const auto number = [&]() { return static_cast<unsigned>(std::stoul(next(), nullptr, 0)); };
    if (arg == "--ffs") o.ffs = next();
    else if (arg == "--keyboard-first") o.shape.keyboardFirst = true;
    else if (arg == "--interrupt-out") {
      o.shape.interruptOut = true;
      const std::string how = next();
      if (how != "take" && how != "ignore") Usage("--interrupt-out takes take or ignore");
      o.takeInterruptOut = how == "take";
    } else if (arg == "--stall-at") o.stallAt = number();
    else if (arg == "--hang-at") o.hangAt = number();
    else if (arg == "--state8-at") o.state8At = number();
    else if (arg == "--revision") o.revisionByte = static_cast<std::uint8_t>(number());
    else if (arg == "--mark-at") {
      o.markAt = number();
      o.markFile = next();
    } else Usage(("unknown option " + arg).c_str());
  }
  if (o.ffs.empty()) Usage("--ffs DIR is needed");
  return o;
}

// What one power-up of the board holds: the protocol model and the transport's own
// faults. Both threads (ep0 and the interrupt OUT endpoint) go through `mutex`.
class Board {
 public:
  explicit Board(const Options& options) : options_(options) { powerUp(); }

  void powerUp() {
    std::lock_guard lock(mutex_);
    sim::SimulatedDeviceOptions model;
    model.recordTrace = false;
    model.faults.chipRevisionByte = options_.revisionByte;
    if (options_.state8At) {
      model.faults.faults.push_back({.phase = sim::Phase::Transfer,
                                     .at = *options_.state8At,
                                     .kind = sim::FaultKind::ReportState,
                                     .value = 8});
    }
    device_ = std::make_unique<sim::SimulatedDevice>(std::move(model), clock_);
    lastBlock_.reset();
    imageType_ = 1;
    hung_ = false;
  }

  // The stall is the transport's: a SET_REPORT is stalled before its data is seen, so
  // the board stalls whatever comes once the block before the chosen one was taken.
  bool stallsNextOutput() {
    std::lock_guard lock(mutex_);
    if (!options_.stallAt || *options_.stallAt == 0) return false;
    return device_->state() == static_cast<std::uint8_t>(DeviceState::STATE_dfuDNLOAD_IDLE) &&
           lastBlock_ && *lastBlock_ + 1 == *options_.stallAt;
  }

  bool output(std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    const bool ok = device_->setOutputReport(report);
    if (!ok || report.size() < kBlockHeaderLength) return ok;
    const std::uint8_t command = report[1];
    const auto length = static_cast<unsigned>(report[2] | (report[3] << 8));
    const auto block = static_cast<unsigned>(report[4] | (report[5] << 8));
    if (command == static_cast<std::uint8_t>(Command::SETIMGTYPE)) imageType_ = report[2];
    if (command != static_cast<std::uint8_t>(Command::DNLOAD)) return ok;
    if (length == 0) {
      printImage();
      return ok;
    }
    lastBlock_ = block;
    if (options_.hangAt && block == *options_.hangAt) hung_ = true;
    if (options_.markAt && block == *options_.markAt) {
      if (FILE* f = std::fopen(options_.markFile.c_str(), "w")) std::fclose(f);
    }
    return ok;
  }

  bool input(std::span<std::uint8_t> buffer) {
    std::lock_guard lock(mutex_);
    return device_->getInputReport(buffer);
  }

  bool hung() {
    std::lock_guard lock(mutex_);
    return hung_;
  }

 private:
  void printImage() {
    const auto image = device_->image(static_cast<ImageType>(imageType_));
    if (!image) return;
    Sha256 hash;
    hash.update(image->bytes);
    std::printf("image %u %llu %s %s\n", imageType_, static_cast<unsigned long long>(image->length),
                image->complete ? "complete" : "incomplete", ToHex(hash.finish()).c_str());
    std::fflush(stdout);
  }

  const Options& options_;
  SystemClock clock_;
  std::mutex mutex_;
  std::unique_ptr<sim::SimulatedDevice> device_;
  std::optional<unsigned> lastBlock_;
  unsigned imageType_ = 1;
  bool hung_ = false;
};

void Fail(const char* what) {
  std::fprintf(stderr, "orvane_gadget: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

// Stalls the control request in progress: FunctionFS halts ep0 when it is read for an
// IN request or written for an OUT one.
void Stall(int ep0, const usb_ctrlrequest& setup) {
  std::uint8_t byte = 0;
  if ((setup.bRequestType & USB_DIR_IN) != 0) {
    (void)!read(ep0, &byte, 1);
  } else {
    (void)!write(ep0, &byte, 1);
  }
}

void Answer(int ep0, const usb_ctrlrequest& setup, std::span<const std::uint8_t> data) {
  const std::size_t length = std::min<std::size_t>(data.size(), setup.wLength);
  if (write(ep0, data.data(), length) < 0) std::fprintf(stderr, "orvane_gadget: ep0 write: %s\n", std::strerror(errno));
}

void Acknowledge(int ep0) {
  if (read(ep0, nullptr, 0) < 0) std::fprintf(stderr, "orvane_gadget: ep0 ack: %s\n", std::strerror(errno));
}

constexpr std::uint8_t kGetReport = 0x01, kGetIdle = 0x02, kGetProtocol = 0x03;
constexpr std::uint8_t kSetReport = 0x09, kSetIdle = 0x0A, kSetProtocol = 0x0B;

void HandleSetup(int ep0, const usb_ctrlrequest& setup, const Options& options, Board& board) {
  const unsigned interface = setup.wIndex & 0xFF;
  const bool download = interface == gadget::DownloadInterface(options.shape);
  const unsigned type = setup.bRequestType & USB_TYPE_MASK;
  if (type == USB_TYPE_STANDARD && setup.bRequest == USB_REQ_GET_DESCRIPTOR &&
      (setup.wValue >> 8) == 0x22) {
    Answer(ep0, setup, download ? gadget::DownloadReportDescriptor() : gadget::KeyboardReportDescriptor());
    return;
  }
  if (type != USB_TYPE_CLASS) return Stall(ep0, setup);
  switch (setup.bRequest) {
    case kSetIdle:
    case kSetProtocol:
      return Acknowledge(ep0);
    case kGetIdle:
    case kGetProtocol: {
      const std::uint8_t value = 0;
      return Answer(ep0, setup, {&value, 1});
    }
    case kSetReport: {
      if (download && board.stallsNextOutput()) return Stall(ep0, setup);
      std::vector<std::uint8_t> report(setup.wLength);
      const ssize_t got = read(ep0, report.data(), report.size());
      if (got < 0) return;
      report.resize(static_cast<std::size_t>(got));
      // The data stage is over by now: a refusal from the model is lost here, as it
      // would be on a board that takes the data and fails it later.
      if (download) (void)board.output(report);
      return;
    }
    case kGetReport: {
      std::vector<std::uint8_t> report(setup.wLength, 0);
      if (!download) return Answer(ep0, setup, report);
      if (report.empty() || (setup.wValue & 0xFF) != kReportId) return Stall(ep0, setup);
      report[0] = kReportId;
      if (!board.input(report)) return Stall(ep0, setup);
      return Answer(ep0, setup, report);
    }
    default:
      return Stall(ep0, setup);
  }
}

// Reports sent on the interrupt OUT endpoint: taken as output reports, or read and
// dropped, as a board that only listens to SET_REPORT would.
void ServeInterruptOut(const Options& options, Board& board) {
  const std::string path = options.ffs + "/ep" + std::to_string(gadget::OutEndpointFile(options.shape));
  const int fd = open(path.c_str(), O_RDWR);
  if (fd < 0) Fail(path.c_str());
  std::vector<std::uint8_t> buffer(4096);
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0) {
      // Not enabled yet, or the host went away: wait for the next configuration.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    if (options.takeInterruptOut) {
      (void)board.output(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const std::string ep0Path = options.ffs + "/ep0";
  const int ep0 = open(ep0Path.c_str(), O_RDWR);
  if (ep0 < 0) Fail(ep0Path.c_str());
  const auto descriptors = gadget::FunctionFsDescriptors(options.shape);
  if (write(ep0, descriptors.data(), descriptors.size()) < 0) Fail("writing descriptors");
  const auto strings = gadget::FunctionFsStrings();
  if (write(ep0, strings.data(), strings.size()) < 0) Fail("writing strings");

  Board board(options);
  if (options.shape.interruptOut) std::thread([&] { ServeInterruptOut(options, board); }).detach();

  for (;;) {
    // One event at a time: a SETUP's data stage goes through ep0 before the next read.
    usb_functionfs_event event{};
    if (read(ep0, &event, sizeof event) < 0) {
      if (errno == EINTR || errno == EIDRM) continue;  // EIDRM: a request the host gave up on
      Fail("reading ep0 events");
    }
    if (event.type == FUNCTIONFS_BIND) board.powerUp();
    if (event.type == FUNCTIONFS_SETUP) HandleSetup(ep0, event.u.setup, options, board);
    // A hung board answers nothing more; the host's requests time out.
    while (board.hung()) pause();
  }
}
