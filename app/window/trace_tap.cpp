// The recording tap over the trace recorder.
#include "app/window/trace_tap.h"

#include "device/simulated/trace_recorder.h"

namespace zentho::window {

ChannelTap TraceTap(std::string path, Clock& clock, DebugTrace& trace) {
  return [path = std::move(path), &clock, &trace](std::shared_ptr<ReportChannel> channel) {
    const auto cannot = [path, &trace](const std::string& reason) {
      trace.line("Cannot record the report trace to " + path + ": " + reason + "\n");
    };
    OsResult<std::shared_ptr<sim::TraceRecorder>> recorder =
        sim::TraceRecorder::Create(channel, path, clock);
    if (!recorder) {
      cannot(recorder.reason());
      return channel;
    }
    // When the download lets go of its channel, a write that failed on the way (a full
    // disk) is said, as a file that can't be made is.
    std::shared_ptr<sim::TraceRecorder> owner = std::move(recorder.value());
    ReportChannel* tapped = owner.get();
    return std::shared_ptr<ReportChannel>(tapped, [owner = std::move(owner), cannot](ReportChannel*) {
      if (std::optional<std::string> failure = owner->writeFailure()) cannot(*failure);
    });
  };
}

}  // namespace zentho::window
