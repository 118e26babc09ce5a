// Finding the devices a download runs on: the first match, one named path, or every
// match; optionally waiting for one to be plugged in.
#pragma once

#include <chrono>
#include <stop_token>
#include <string>
#include <vector>

#include "app/cli/target.h"
#include "device/hid_platform.h"
#include "transfer/clock.h"

namespace zentho::cli {

enum class Pick { First, Path, All };

struct DeviceQuery {
  device::HidIds ids;
  Pick pick = Pick::First;
  std::string path;  // for Pick::Path
  std::chrono::milliseconds wait{0};
};

struct Selection {
  std::vector<Target> targets;
  // Why matching interfaces were passed over, one line each without a line end.
  std::vector<std::string> problems;
};

// How often the interfaces are listed again while waiting.
inline constexpr std::chrono::milliseconds kWaitPollInterval{200};
// With --all, devices plugged in together do not appear together: once the first one
// shows up during a wait, the others get this long before the final look.
inline constexpr std::chrono::milliseconds kAllSettleTime{1000};

// Opens the chosen devices; each session runs on `clock`. Interfaces that match but
// cannot be opened are named in `problems`, with `openHint` appended when not empty.
Selection SelectDevices(device::HidPlatform& platform, const DeviceQuery& query, Clock& clock,
                        std::string_view openHint, std::stop_token stop);

}  // namespace zentho::cli
