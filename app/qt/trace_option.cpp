// The window's report trace, recorded as the command line's --trace records it.
#include "app/qt/trace_option.h"

#include "device/simulated/trace_recorder.h"

namespace zentho::qt {

std::optional<std::string> TraceArgument(const QStringList& arguments) {
  const qsizetype at = arguments.indexOf(QStringLiteral("--trace"));
  if (at < 0 || at + 1 >= arguments.size()) return std::nullopt;
  return arguments.at(at + 1).toStdString();
}

window::ChannelTap TraceTap(std::string path, Clock& clock, window::DebugTrace& trace) {
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

}  // namespace zentho::qt
