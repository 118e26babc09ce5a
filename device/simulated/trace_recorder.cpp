// The recording channel behind --trace.
#include "device/simulated/trace_recorder.h"

#include <cerrno>
#include <cstring>

#include "base/file_guard.h"
#include "device/simulated/replay_device.h"

namespace zentho::sim {

TraceRecorder::TraceRecorder(std::shared_ptr<ReportChannel> inner, std::FILE* file, Clock& clock)
    : inner_(std::move(inner)), file_(file), clock_(clock), origin_(clock.now()) {
  write(std::string(kTraceHeader) + std::string(kTraceColumns));
}

OsResult<std::shared_ptr<TraceRecorder>> TraceRecorder::Create(std::shared_ptr<ReportChannel> inner,
                                                               const std::string& path,
                                                               Clock& clock) {
  // Through the file guard: a FIFO or a folder is refused, never waited on.
  OsResult<FileHandle> file = CreateOutput(path);
  if (!file) return OsError{file.reason()};
  return std::shared_ptr<TraceRecorder>(new TraceRecorder(std::move(inner), file->release(), clock));
}

std::shared_ptr<TraceRecorder> TraceRecorder::Adopt(std::shared_ptr<ReportChannel> inner,
                                                    std::FILE* file, Clock& clock) {
  return std::shared_ptr<TraceRecorder>(new TraceRecorder(std::move(inner), file, clock));
}

TraceRecorder::~TraceRecorder() { std::fclose(file_); }

void TraceRecorder::write(const std::string& line) {
  std::lock_guard lock(mutex_);
  if (failure_) return;
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
    failure_ = errno != 0 ? ErrnoText(errno) : "write failed";
  }
}

std::optional<std::string> TraceRecorder::writeFailure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool TraceRecorder::setOutputReport(std::span<const std::uint8_t> report) {
  const bool ok = inner_->setOutputReport(report);
  write(FormatTraceLine(
      {TraceKind::Output, ok, report.size(), {report.begin(), report.end()}, clock_.now() - origin_}));
  return ok;
}

bool TraceRecorder::getInputReport(std::span<std::uint8_t> buffer) {
  const bool ok = inner_->getInputReport(buffer);
  TraceEntry entry{TraceKind::Input, ok, buffer.size(), {}, clock_.now() - origin_};
  // What a failed read leaves in the buffer means nothing, so it is not kept.
  if (ok) entry.bytes.assign(buffer.begin(), buffer.end());
  write(FormatTraceLine(entry));
  return ok;
}

std::optional<std::size_t> TraceRecorder::inputReportLength() {
  const std::optional<std::size_t> length = inner_->inputReportLength();
  TraceEntry entry;
  entry.kind = TraceKind::InputLength;
  entry.ok = length.has_value();
  entry.length = length.value_or(0);
  entry.at = clock_.now() - origin_;
  write(FormatTraceLine(entry));
  return length;
}

}  // namespace zentho::sim
