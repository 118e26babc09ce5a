// LogPane appends through the real Qt widget: total time and the slowest single append
// for 10,000 and 100,000 lines, and how the total grows between the two; once for the
// appends alone and once with a turn of the event loop (and so a repaint) after each.
#include <QApplication>
#include <QFontMetrics>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/qt/dialog_template.h"
#include "app/qt/iap_window.h"
#include "app/qt/log_pane.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double totalMs = 0;
  double slowestUs = 0;
  std::size_t bytes = 0;
};

// Lines shaped like a failing session's, each with its CR LF. With `eventLoop` the GUI's
// event loop runs between appends, as it does between the worker's requests.
Figures Run(unsigned lines, bool eventLoop) {
  using namespace zentho::qt;
  LogPane pane;
  pane.setFont(DialogFont());
  const DialogUnits units{QFontMetrics(pane.font())};
  pane.resize(units.x(301), units.y(200));
  pane.show();
  QCoreApplication::processEvents();

  Figures figures;
  char line[96];
  const Clock::time_point start = Clock::now();
  for (unsigned i = 0; i < lines; ++i) {
    std::snprintf(line, sizeof line, "Get status fail, block number = %x\r\n", i);
    const Clock::time_point before = Clock::now();
    pane.append(line);
    if (eventLoop) QCoreApplication::processEvents();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - before).count();
    figures.slowestUs = std::max(figures.slowestUs, us);
  }
  figures.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  figures.bytes = pane.text().size();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::printf("LogPane appends (QT_QPA_PLATFORM=%s)\n", qgetenv("QT_QPA_PLATFORM").constData());
  for (const bool eventLoop : {false, true}) {
    std::printf("\n%s\n", eventLoop ? "append, then one turn of the event loop (repaint)"
                                      : "append only");
    std::printf("%10s %12s %14s %16s %12s\n", "lines", "total ms", "us per line", "slowest us",
                "bytes");
    const Figures small = Run(10000, eventLoop);
    const Figures large = Run(100000, eventLoop);
    for (const auto& [lines, f] : {std::pair{10000U, small}, std::pair{100000U, large}}) {
      std::printf("%10u %12.1f %14.2f %16.1f %12zu\n", lines, f.totalMs, f.totalMs * 1000 / lines,
                  f.slowestUs, f.bytes);
    }
    std::printf("growth 10k -> 100k: x%.2f (linear would be x10)\n", large.totalMs / small.totalMs);
  }
  return 0;
}
