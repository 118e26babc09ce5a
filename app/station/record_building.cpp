// Building a session's record from its outcome.
#include "app/station/record_building.h"

namespace zentho::cli {
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
  record.mode = ModeName(settings.downloadMode);
  record.file = settings.file;
  record.size = image.file.size;
  record.sha256 = ToHex(image.file.digest);
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
  record.tool = settings.tool;
  return record;
}

}  // namespace zentho::cli
