// "--trace FILE" of the window: every download of the run records its report exchanges.
#pragma once

#include <optional>
#include <string>

#include <QStringList>

#include "app/window/window_services.h"
#include "transfer/clock.h"

namespace zentho::qt {

// The FILE after "--trace"; nothing without the option or when it is the last argument.
std::optional<std::string> TraceArgument(const QStringList& arguments);

// A tap that records each download to `path`, afresh (the file holds the last download),
// time-stamped on `clock`. When the file can't be written the download runs unrecorded
// and `trace` gets the OS's reason.
window::ChannelTap TraceTap(std::string path, Clock& clock, window::DebugTrace& trace);

}  // namespace zentho::qt
