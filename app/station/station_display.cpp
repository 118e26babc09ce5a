// The station's live table and its event lines.
#include "app/station/station_display.h"

#include <algorithm>

#include "app/cli/input_files.h"
#include "app/cli/reporter.h"
#include "app/station/yield.h"

namespace zentho::cli {
namespace {

std::string Percent(std::uint32_t bytes, std::uint32_t total) {
  const unsigned percent = total == 0 ? 0 : static_cast<unsigned>(std::uint64_t{bytes} * 100 / total);
  char text[16];
  std::snprintf(text, sizeof text, "%3u%%", percent);
  return text;
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// Names, ports, serials and failure lines come from the boards and the file system: their
// control bytes are shown escaped, never sent to the terminal.
std::string Name(const Board& board) { return Printable(board.name()); }

// "[NAME] ", the start of each event line: the board's slot label when it has one.
std::string Tag(const std::string& name) {
  std::string tag(1, '[');
  tag += Printable(name);
  tag += "] ";
  return tag;
}
std::string Tag(const Board& board) { return Tag(board.slot.empty() ? board.name() : board.slot); }

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace

std::string FitToColumns(std::string_view line, std::size_t columns) {
  if (columns == 0) return std::string(line);
  // The last column stays empty: a terminal that reaches it may wrap at once.
  const std::size_t room = columns - 1;
  std::string fitted;
  std::size_t used = 0;
  bool attributes = false;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] == '\x1b') {
      // CSI: ESC [ parameters, ended by a byte from @ to ~.
      std::size_t end = i + 1;
      if (end < line.size() && line[end] == '[') {
        ++end;
        while (end < line.size() && (line[end] < 0x40 || line[end] > 0x7E)) ++end;
      }
      end = std::min(end + 1, line.size());
      fitted.append(line.substr(i, end - i));
      attributes = line.substr(i, end - i) != "\x1b[0m";
      i = end;
      continue;
    }
    const auto byte = static_cast<unsigned char>(line[i]);
    std::size_t length = 1;
    if (byte >= 0x80) {
      while (i + length < line.size() && (static_cast<unsigned char>(line[i + length]) & 0xC0) == 0x80) ++length;
    }
    const std::size_t width = byte >= 0x80 ? 2 : 1;
    if (used + width > room) {
      if (attributes) fitted += "\x1b[0m";
      return fitted;
    }
    fitted.append(line.substr(i, length));
    used += width;
    i += length;
  }
  return fitted;
}

std::string TallyLine(const Tally& t) {
  return "passed " + std::to_string(t.passed) + "  failed " + std::to_string(t.failed) +
         "  unplugged " + std::to_string(t.unplugged) + "  in progress " + std::to_string(t.running);
}

void StationEventLines::write(const std::string& lines) {
  // A board's port, serial or path may carry any byte: each line goes out escaped.
  std::string text;
  for (std::size_t start = 0; start < lines.size();) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    text += Printable(std::string_view(lines).substr(start, end - start)) + "\n";
    start = end + 1;
  }
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fflush(out_);
}

void StationEventLines::started(const Board& board, const Tally&) {
  std::string line = Tag(board) + "started on " + Printable(board.path);
  if (!board.serial.empty()) line += ", serial " + Printable(board.serial);
  write(line + "\n");
}

void StationEventLines::finished(const Board& board, const SessionRecord& record, const Tally& tally) {
  std::string line = Tag(board);
  if (record.result == "pass") {
    line += "pass in " + Seconds(record.seconds);
  } else if (record.result == "unplugged") {
    line += "unplugged: " + Printable(record.failure);
  } else {
    line += "FAIL: " + Printable(record.failure);
  }
  write(line + "\n" + TallyLine(tally) + "\n");
}

void StationEventLines::left(const Board& board) { write(Tag(board) + "taken out\n"); }

void StationEventLines::held(const Board& board, const SessionRecord& record) {
  std::string line = Tag(board) + "held: " + Printable(record.failure);
  if (!board.serial.empty()) line += ", serial " + Printable(board.serial);
  write(line + "\n");
}

void StationEventLines::quarantined(const std::string& slot, const std::string& reason) {
  write(Tag(slot) + "quarantined: " + Printable(reason) + "\n");
}

void StationEventLines::released(const std::string& slot) { write(Tag(slot) + "released\n"); }

void StationEventLines::problem(const std::string& line) {
  const std::string text = ReportLine(line);
  std::fwrite(text.data(), 1, text.size(), err_);
  std::fflush(err_);
}

StationLiveDisplay::~StationLiveDisplay() = default;

std::vector<std::string> SlotSummaryLines(const std::vector<SlotCounts>& slots) {
  std::size_t width = 4;
  for (const SlotCounts& slot : slots) width = std::max(width, Printable(slot.slot).size());
  std::vector<std::string> lines{Pad("slot", width) + "  passed  failed  yield"};
  for (const SlotCounts& slot : slots) {
    std::string line = Pad(Printable(slot.slot), width) + "  " + Pad(std::to_string(slot.passed), 6) +
                       "  " + Pad(std::to_string(slot.failed), 6) + "  " +
                       FormatYield(slot.passed, slot.failed);
    if (!slot.quarantine.empty()) line += "  quarantined";
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> StationLiveDisplay::Render(const std::vector<Row>& rows,
                                                    const std::map<std::string, std::string>& quarantined,
                                                    const Tally& tally) {
  const bool slots = !quarantined.empty() ||
                     std::ranges::any_of(rows, [](const Row& row) { return !row.board.slot.empty(); });
  if (!slots) return Render(rows, tally);
  std::size_t slotWidth = 4;
  std::size_t portWidth = 4;
  std::size_t serialWidth = 6;
  for (const Row& row : rows) {
    slotWidth = std::max(slotWidth, Printable(row.board.slot).size());
    portWidth = std::max(portWidth, Name(row.board).size());
    serialWidth = std::max(serialWidth, Printable(row.board.serial).size());
  }
  for (const auto& [slot, why] : quarantined) slotWidth = std::max(slotWidth, Printable(slot).size());
  // Ordered by slot; a quarantined slot's line stands where its board would.
  std::vector<std::pair<std::string, std::string>> lines;
  for (const Row& row : rows) {
    std::string line = Pad(Printable(row.board.slot), slotWidth) + "  " + Pad(Name(row.board), portWidth) +
                       "  " + Pad(Printable(row.board.serial), serialWidth) + "  " + Pad(row.state, 9) +
                       "  " + Percent(row.bytes, row.total) + "  " + std::to_string(row.bytes) + "/" +
                       std::to_string(row.total);
    if (!row.failure.empty()) line += "  " + Printable(row.failure);
    lines.emplace_back(row.board.slot, std::move(line));
  }
  for (const auto& [slot, why] : quarantined) {
    const std::string line = Pad(Printable(slot), slotWidth) + "  " + Pad("", portWidth) + "  " +
                             Pad("", serialWidth) + "  quarantined  " + Printable(why) + "  (" +
                             Printable(slot) + " Enter: release)";
    lines.emplace_back(slot, "\x1b[7m" + line + "\x1b[0m");
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> table{Pad("slot", slotWidth) + "  " + Pad("port", portWidth) + "  " +
                                 Pad("serial", serialWidth) + "  state      progress"};
  for (auto& [slot, line] : lines) table.push_back(std::move(line));
  table.push_back(TallyLine(tally));
  return table;
}

std::vector<std::string> StationLiveDisplay::Render(const std::vector<Row>& rows, const Tally& tally) {
  std::size_t portWidth = 4;
  std::size_t serialWidth = 6;
  for (const Row& row : rows) {
    portWidth = std::max(portWidth, Name(row.board).size());
    serialWidth = std::max(serialWidth, Printable(row.board.serial).size());
  }
  std::vector<const Row*> ordered;
  for (const Row& row : rows) ordered.push_back(&row);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Row* a, const Row* b) { return a->board.name() < b->board.name(); });
  std::vector<std::string> lines;
  lines.push_back(Pad("port", portWidth) + "  " + Pad("serial", serialWidth) + "  state      progress");
  for (const Row* row : ordered) {
    std::string line = Pad(Name(row->board), portWidth) + "  " + Pad(Printable(row->board.serial), serialWidth) +
                       "  " + Pad(row->state, 9) + "  " + Percent(row->bytes, row->total) + "  " +
                       std::to_string(row->bytes) + "/" + std::to_string(row->total);
    if (!row->failure.empty()) line += "  " + Printable(row->failure);
    lines.push_back(std::move(line));
  }
  lines.push_back(TallyLine(tally));
  return lines;
}

void StationLiveDisplay::erase() {
  // Back to the table's first line, then clear to the end of the screen.
  if (drawnLines_ > 0) std::fprintf(terminal_, "\x1b[%zuA\r\x1b[J", drawnLines_);
  drawnLines_ = 0;
}

void StationLiveDisplay::redraw() {
  erase();
  std::vector<Row> rows;
  for (const auto& [path, row] : rows_) rows.push_back(row);
  std::string text;
  const std::size_t columns = columns_ ? columns_() : 0;
  for (const std::string& line : Render(rows, quarantined_, tally_)) text += FitToColumns(line, columns) + "\n";
  std::fwrite(text.data(), 1, text.size(), terminal_);
  std::fflush(terminal_);
  drawnLines_ = rows.size() + quarantined_.size() + 2;
}

void StationLiveDisplay::started(const Board& board, const Tally& tally) {
  rows_[board.path] = Row{board, "flashing", 0, 0, {}};
  tally_ = tally;
  redraw();
}

void StationLiveDisplay::progressed(const Board& board, std::uint32_t bytes, std::uint32_t total) {
  auto it = rows_.find(board.path);
  if (it == rows_.end() || it->second.board.session != board.session) return;
  Row& row = it->second;
  // Redrawn only when the percentage moves: 32 boards report a block each every few
  // milliseconds.
  const bool moved = Percent(bytes, total) != Percent(row.bytes, row.total);
  row.bytes = bytes;
  row.total = total;
  if (moved) redraw();
}

void StationLiveDisplay::finished(const Board& board, const SessionRecord& record, const Tally& tally) {
  tally_ = tally;
  auto it = rows_.find(board.path);
  if (it != rows_.end() && it->second.board.session == board.session) {
    Row& row = it->second;
    row.state = record.result == "pass" ? "pass" : record.result == "unplugged" ? "unplugged" : "FAIL";
    row.failure = record.failure;
    // An unplugged board has no line to keep: it is not there any more.
    if (record.result == "unplugged") rows_.erase(it);
  }
  if (bell_) std::fputc('\a', terminal_);
  redraw();
}

void StationLiveDisplay::left(const Board& board) {
  auto it = rows_.find(board.path);
  if (it != rows_.end() && it->second.board.session == board.session) rows_.erase(it);
  redraw();
}

void StationLiveDisplay::held(const Board& board, const SessionRecord& record) {
  rows_[board.path] = Row{board, "held", 0, 0, record.failure};
  redraw();
}

void StationLiveDisplay::quarantined(const std::string& slot, const std::string& reason) {
  quarantined_[slot] = reason;
  if (bell_) std::fputc('\a', terminal_);
  redraw();
}

void StationLiveDisplay::released(const std::string& slot) {
  quarantined_.erase(slot);
  redraw();
}

void StationLiveDisplay::typed(const std::string& line) {
  // The terminal echoed the line and its Enter below the table: as many more lines to go
  // up as the echo took. A character counts one column here, though the cut above counts
  // two for one beyond ASCII: each errs on its safe side, since going up too far would
  // erase the board lines printed above the table.
  if (drawnLines_ == 0) return;
  const std::size_t columns = columns_ ? columns_() : 0;
  const auto characters = static_cast<std::size_t>(
      std::ranges::count_if(line, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  drawnLines_ += columns == 0 ? 1 : std::max<std::size_t>(1, (characters + columns - 1) / columns);
}

void StationLiveDisplay::problem(const std::string& line) {
  erase();
  Report(terminal_, line);
  redraw();
}

}  // namespace zentho::cli
