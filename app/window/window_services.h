// The platform services the main window's logic uses besides its controls, each a
// small interface that the front end supplies and the tests fake.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string_view>
#include <thread>
#include <vector>

#include "app/window/window_thread.h"
#include "base/file_guard.h"
#include "device/hid_platform.h"
#include "transfer/clock.h"
#include "transfer/download_session.h"

namespace zentho::window {

// A local date-time record: year, month, day of week, day, hour, minute, second,
// millisecond, as the platform's local clock gives them.
struct LocalTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

class LocalTimeSource {
 public:
  virtual ~LocalTimeSource() = default;
  virtual LocalTime now() = 0;
};

// Plays one tone and returns when it has ended, so tones in a row sound in turn.
// Called from any thread, one tone at a time.
class TonePlayer {
 public:
  virtual ~TonePlayer() = default;
  virtual void beep(unsigned frequencyHz, unsigned durationMs) = 0;
};

// One line (ending in LF) to the platform's debug output. Called from any thread.
class DebugTrace {
 public:
  virtual ~DebugTrace() = default;
  virtual void line(std::string_view text) = 0;
};

// Starts the download worker; nothing when the platform cannot start a thread.
class WorkerThreads {
 public:
  virtual ~WorkerThreads() = default;
  virtual std::optional<std::jthread> start(std::function<void(std::stop_token)> body);
};

// Wraps the connected device's channel for one download, as --trace does to record its
// report exchanges. Runs on the worker; an empty tap leaves the channel as it is.
using ChannelTap =
    std::function<std::shared_ptr<ReportChannel>(std::shared_ptr<ReportChannel> channel)>;

struct WindowServices {
  WindowThread& windowThread;
  device::HidPlatform& platform;
  TonePlayer& tones;
  DebugTrace& trace;
  LocalTimeSource& localTime;
  Clock& sessionClock;
  WorkerThreads& workers;
  std::filesystem::path settingsPath;
  SessionSettings sessionSettings{};
  ChannelTap channelTap{};
  // Files the window writes besides setup.dat (--trace), checked against the chosen file
  // at every Download.
  std::vector<NamedFile> outputs{};
};

}  // namespace zentho::window
