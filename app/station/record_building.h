// The record of one finished session, built from what the scheduler saw of it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "app/station/station.h"
#include "app/station/station_image.h"
#include "app/station/station_record.h"

namespace zentho::cli {

// The record's result field.
inline constexpr std::string_view kResultPass = "pass";
inline constexpr std::string_view kResultFail = "fail";
inline constexpr std::string_view kResultUnplugged = "unplugged";
// Lines that are no session: a board not flashed, a slot quarantined or released.
inline constexpr std::string_view kResultHeld = "held";
inline constexpr std::string_view kResultQuarantined = "quarantined";
inline constexpr std::string_view kResultReleased = "released";

// Everything the scheduler knows of a session once its worker has ended.
struct SessionOutcome {
  Board board;
  device::HidIds ids;
  bool sessionPassed = false;  // the job frame's verdict
  bool confirmed = false;      // the closing report went out after the expected image
  std::string mismatch;        // why the closing report was held back, or empty
  std::string failingLine;     // the session's line that says why it failed, or empty
  bool gone = false;           // the board's interface had left when the session ended
  bool stoppedByOperator = false;
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  double seconds = 0;
};

// The record line's fields: pass, fail, or unplugged for a board taken out during a
// session that did not pass (that says nothing about the board).
SessionRecord BuildSessionRecord(const SessionOutcome& outcome, const StationSettings& settings,
                                 const StationImage& image);

// A line that is no session (held, quarantined, released) about `board` (only the slot
// is known for a slot's line), at `time`.
SessionRecord BuildEventRecord(const Board& board, std::string_view result, const std::string& why,
                               std::chrono::system_clock::time_point time,
                               const StationSettings& settings, const StationImage& image);

}  // namespace zentho::cli
