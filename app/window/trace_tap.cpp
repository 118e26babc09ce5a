// The recording tap over the trace recorder.
#include "app/window/trace_tap.h"

#include "device/simulated/trace_recorder.h"

namespace zentho::window {

ChannelTap TraceTap(std::string path, Clock& clock, DebugTrace& trace) {
  return [path = std::move(path), &clock, &trace](std::shared_ptr<ReportChannel> channel) {
    OsResult<std::shared_ptr<sim::TraceRecorder>> recorder =
        sim::TraceRecorder::Create(channel, path, clock);
    if (!recorder) {
      trace.line("Cannot record the report trace to " + path + ": " + recorder.reason() + "\n");
      return channel;
    }
    return std::shared_ptr<ReportChannel>(std::move(recorder.value()));
  };
}

}  // namespace zentho::window
