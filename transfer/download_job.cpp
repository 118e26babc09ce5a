// The download job's frame around a session.
#include "transfer/download_job.h"

#include "transfer/session_messages.h"

namespace zentho {
namespace {

// Passes everything on to the front end's sink and keeps the last line logged that
// says something.
class LastLineSink final : public SessionSink {
 public:
  explicit LastLineSink(SessionSink& sink) : sink_(sink) {}

  void appendLog(std::string_view text) override {
    sink_.appendLog(text);
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (!line.empty()) lastLine.assign(line);
      start = end + 1;
    }
  }
  void setProgressRange(std::uint32_t low, std::uint32_t high) override {
    sink_.setProgressRange(low, high);
  }
  void setProgressStep(std::uint32_t step) override { sink_.setProgressStep(step); }
  void setProgressPosition(std::uint32_t position) override { sink_.setProgressPosition(position); }
  void debugTrace(std::string_view line) override { sink_.debugTrace(line); }
  void exchangeFailed(std::string_view reason) override { sink_.exchangeFailed(reason); }

  std::string lastLine;

 private:
  SessionSink& sink_;
};

}  // namespace

JobResult RunDownloadJob(const DownloadRequest& request, SessionContext& context,
                         const JobFrame& frame) {
  context.sink.appendLog(msg::kJobStart);
  LastLineSink lines(context.sink);
  SessionContext session{context.channel, context.configImage, lines, context.clock, context.stop};
  const bool passed = RunDownloadSession(request, session) == 1;
  JobVerdict verdict = passed ? JobVerdict::Passed : JobVerdict::Failed;
  if (frame.onStop == OnStop::Quiet && context.stop.stop_requested()) verdict = JobVerdict::Stopped;
  EndDownloadJob(verdict, context.sink, frame);
  return {verdict, std::move(lines.lastLine)};
}

void EndDownloadJob(JobVerdict verdict, SessionSink& sink, const JobFrame& frame) {
  if (verdict == JobVerdict::Stopped) return;
  if (frame.showVerdict) frame.showVerdict(verdict);
  if (verdict == JobVerdict::Failed) sink.appendLog(msg::kBurnFail);
}

}  // namespace zentho
