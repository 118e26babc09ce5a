// A device a download runs on: how it is named, and the channel the session talks to.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/hid_platform.h"
#include "transfer/clock.h"
#include "transfer/report_protocol.h"

namespace zentho::cli {

struct Target {
  std::string path;  // as the platform names it
  std::string name;  // short form for line prefixes and per-device file names
  device::HidIds ids;
  std::shared_ptr<ReportChannel> channel;
  Clock* clock = nullptr;  // the clock the session runs on
  // Something the user should read once the session has ended (why a replay stopped
  // following its recording, a kernel that lacks the report ioctls), or nothing.
  std::function<std::optional<std::string>()> diagnostic;
};

// The last part of a path ("/dev/hidraw3" gives "hidraw3").
std::string ShortName(const std::string& path);

}  // namespace zentho::cli
