// The download job's frame around a session.
#include "transfer/download_job.h"

#include "transfer/session_messages.h"

namespace zentho {

JobVerdict RunDownloadJob(const DownloadRequest& request, SessionContext& context,
                          const JobFrame& frame) {
  context.sink.appendLog(msg::kJobStart);
  const bool passed = RunDownloadSession(request, context) == 1;
  JobVerdict verdict = passed ? JobVerdict::Passed : JobVerdict::Failed;
  if (frame.onStop == OnStop::Quiet && context.stop.stop_requested()) verdict = JobVerdict::Stopped;
  EndDownloadJob(verdict, context.sink, frame);
  return verdict;
}

void EndDownloadJob(JobVerdict verdict, SessionSink& sink, const JobFrame& frame) {
  if (verdict == JobVerdict::Stopped) return;
  if (frame.showVerdict) frame.showVerdict(verdict);
  if (verdict == JobVerdict::Failed) sink.appendLog(msg::kBurnFail);
}

}  // namespace zentho
