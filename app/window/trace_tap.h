// The window's --trace FILE: every download of the run records its report exchanges, as
// the command line's --trace records them.
#pragma once

#include <string>

#include "app/window/window_services.h"
#include "transfer/clock.h"

namespace zentho::window {

// A tap that records each download to `path`, afresh (the file holds the last download),
// time-stamped on `clock`. When the file can't be made (the file guard refuses it, or
// the OS does) the download runs unrecorded; when a write fails on the way, the trace
// stops there. Either way `trace` gets "Cannot record the report trace to PATH: REASON".
ChannelTap TraceTap(std::string path, Clock& clock, DebugTrace& trace);

}  // namespace zentho::window
