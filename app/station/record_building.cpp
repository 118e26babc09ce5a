// Building a session's record from its outcome.
#include "app/station/record_building.h"

namespace zentho::cli {
namespace {

// What every line of this station says of the job, the image and itself.
void FillStation(SessionRecord& record, const StationSettings& settings, const StationImage& image) {
  record.mode = ModeName(settings.downloadMode);
  record.file = settings.file;
  record.size = image.file.size;
  record.sha256 = ToHex(image.file.digest);
  record.tool = settings.tool;
  record.job = settings.job;
  record.lot = settings.lot;
  record.station = settings.stationName;
}

}  // namespace

SessionRecord BuildSessionRecord(const SessionOutcome& outcome, const StationSettings& settings,
                                 const StationImage& image) {
  const bool passed = outcome.sessionPassed && outcome.confirmed;
  // A board whose interface is gone when its session fails was taken out: that says
  // nothing about the board, which is flashed again when it comes back.
  const bool unplugged = !passed && outcome.gone;
  SessionRecord record;
  record.start = outcome.start;
  record.end = outcome.end;
  record.port = outcome.board.port;
  record.serial = outcome.board.serial;
  record.device = outcome.board.path;
  record.vendorId = outcome.ids.vendorId;
  record.productId = outcome.ids.productId;
  FillStation(record, settings, image);
  record.slot = outcome.board.slot.empty() ? outcome.board.name() : outcome.board.slot;
  record.result = passed ? kResultPass : unplugged ? kResultUnplugged : kResultFail;
  if (!outcome.mismatch.empty()) {
    record.failure = outcome.mismatch;
  } else if (outcome.sessionPassed && !outcome.confirmed) {
    record.failure = "the closing report did not reach the device";
  } else if (unplugged) {
    record.failure = "taken out during the session; last line: " + outcome.failingLine;
  } else if (!passed && outcome.stoppedByOperator) {
    record.failure = "stopped by the operator";
  } else if (!passed) {
    record.failure = outcome.failingLine;
  }
  record.seconds = outcome.seconds;
  return record;
}

SessionRecord BuildEventRecord(const Board& board, std::string_view result, const std::string& why,
                               std::chrono::system_clock::time_point time,
                               const StationSettings& settings, const StationImage& image) {
  SessionRecord record;
  record.start = time;
  record.end = time;
  record.port = board.port;
  record.serial = board.serial;
  record.device = board.path;
  record.vendorId = settings.ids.vendorId;
  record.productId = settings.ids.productId;
  FillStation(record, settings, image);
  record.slot = board.slot.empty() ? board.name() : board.slot;
  record.result = result;
  record.failure = why;
  return record;
}

}  // namespace zentho::cli
