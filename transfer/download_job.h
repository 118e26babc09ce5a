// The frame of one download job, the same for every front end: the start line, the
// session, the verdict and the failure line when it did not pass.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "transfer/download_session.h"
#include "transfer/session_sink.h"

namespace zentho {

enum class JobVerdict : std::uint8_t { Passed, Failed, Stopped };

// How a job whose stop was requested ends. A window that is ending shows nothing more
// (Quiet: the verdict is Stopped); an interrupted command-line run says the burn failed.
enum class OnStop : std::uint8_t { Quiet, Fail };

struct JobFrame {
  OnStop onStop = OnStop::Fail;
  // Runs with the verdict just before the failure line is logged, so that a front end's
  // result shows beside it. Not called for a Stopped job.
  std::function<void(JobVerdict)> showVerdict;
};

struct JobResult {
  JobVerdict verdict = JobVerdict::Failed;
  // The session's last log line that says something, without its line end: for a job
  // that did not pass, why (the job's own failure line is not among them).
  std::string lastLine;
};

// Logs the start line to the context's sink, runs the session and ends the job.
JobResult RunDownloadJob(const DownloadRequest& request, SessionContext& context,
                         const JobFrame& frame);

// The end of a job alone (also for one whose session never ran): shows the verdict and,
// for a failure, logs the failure line.
void EndDownloadJob(JobVerdict verdict, SessionSink& sink, const JobFrame& frame);

}  // namespace zentho
