// What the operator sees of the station: a live table on a terminal, one line per event
// elsewhere.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/station/station.h"

namespace zentho::cli {

// "passed 3  failed 1  unplugged 0  in progress 2"
std::string TallyLine(const Tally& tally);

// The summary's table of passes, failures and yield per slot, one line each with a
// header.
std::vector<std::string> SlotSummaryLines(const std::vector<SlotCounts>& slots);

// `line` cut to show in fewer than `columns` columns of a terminal (0: as it is). Escape
// sequences take no room; a character outside ASCII is counted as two, as wide as it may
// be; an attribute switched on is switched off again after a cut.
std::string FitToColumns(std::string_view line, std::size_t columns);

// One line per event, for a log file or a pipe.
class StationEventLines final : public StationEvents {
 public:
  StationEventLines(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
  void started(const Board& board, const Tally& tally) override;
  void finished(const Board& board, const SessionRecord& record, const Tally& tally) override;
  void left(const Board& board) override;
  void held(const Board& board, const SessionRecord& record) override;
  void quarantined(const std::string& slot, const std::string& reason) override;
  void released(const std::string& slot) override;
  void problem(const std::string& line) override;

 private:
  void write(const std::string& text);
  std::FILE* out_;
  std::FILE* err_;
};

// The live display: one line per board plugged in (being flashed, or its verdict until
// it is taken out), then the tally, redrawn in place; problems scroll above it. A bell
// rings on each verdict unless `bell` is off.
class StationLiveDisplay final : public StationEvents {
 public:
  // `columns` gives the terminal's width (0: unknown): each line is cut to fit, since a
  // line the terminal wraps would leave the redrawn table's old lines behind.
  StationLiveDisplay(std::FILE* terminal, bool bell, std::function<std::size_t()> columns = {})
      : terminal_(terminal), bell_(bell), columns_(std::move(columns)) {}
  ~StationLiveDisplay() override;

  void started(const Board& board, const Tally& tally) override;
  void progressed(const Board& board, std::uint32_t bytes, std::uint32_t total) override;
  void finished(const Board& board, const SessionRecord& record, const Tally& tally) override;
  void left(const Board& board) override;
  void held(const Board& board, const SessionRecord& record) override;
  void quarantined(const std::string& slot, const std::string& reason) override;
  void released(const std::string& slot) override;
  void typed(const std::string& line) override;
  void problem(const std::string& line) override;

  struct Row {
    Board board;
    std::string state;  // flashing, pass, FAIL, unplugged, held
    std::uint32_t bytes = 0;
    std::uint32_t total = 0;
    std::string failure;
  };
  // The table's lines, without line ends: rows ordered by port, then the tally.
  static std::vector<std::string> Render(const std::vector<Row>& rows, const Tally& tally);
  // With slots (boards with a label, or quarantined slots): rows ordered by slot, a slot
  // column first, and each quarantined slot (slot, why) in reverse video with how to
  // release it.
  static std::vector<std::string> Render(const std::vector<Row>& rows,
                                         const std::map<std::string, std::string>& quarantined,
                                         const Tally& tally);

 private:
  void redraw();
  void erase();

  std::FILE* terminal_;
  bool bell_;
  std::function<std::size_t()> columns_;
  std::map<std::string, Row> rows_;  // by the board's interface path
  std::map<std::string, std::string> quarantined_;  // slot -> why
  Tally tally_;
  std::size_t drawnLines_ = 0;
};

}  // namespace zentho::cli
