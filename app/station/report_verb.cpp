// The report verb: every record read through the file guard, the page written through it.
#include "app/station/report_verb.h"

#include <cerrno>

#include "app/cli/reporter.h"
#include "app/station/yield_report.h"
#include "base/file_guard.h"

namespace zentho::cli {

void ReportVerb::options(CLI::App& command) {
  command.add_option("RECORD", records_, "Station records (JSON Lines or CSV), any number")->required();
  command.add_flag("--json", json_, "One JSON object instead of text");
  command.add_option("--html", html_, "Also write the report as one HTML page with charts")->type_name("FILE");
}

Outcome ReportVerb::run(Environment& environment) {
  std::vector<NamedFile> inputs;
  for (const std::string& record : records_) inputs.push_back({"the record", record});
  if (const std::optional<std::string> clash = FindFileClash(inputs, {{"--html", html_}})) {
    Report(environment.err, *clash);
    return Outcome::UsageError;
  }
  std::vector<RecordEntry> entries;
  for (const std::string& record : records_) {
    OsResult<std::vector<RecordEntry>> read = ReadRecords(record);
    if (!read) {
      Report(environment.err, "cannot read " + read.reason());
      return Outcome::FileUnreadable;
    }
    entries.insert(entries.end(), read->begin(), read->end());
  }
  const YieldReport report = BuildYieldReport(entries);
  if (!html_.empty()) {
    const std::string page = YieldReportHtml(report);
    const OsResult<void> written = WriteOutput(html_, page);
    if (!written) {
      Report(environment.err, "cannot write " + html_ + ": " + written.reason());
      return Outcome::FileUnreadable;
    }
  }
  const std::string text = json_ ? YieldReportJson(report) : YieldReportText(report);
  std::fwrite(text.data(), 1, text.size(), environment.out);
  std::fflush(environment.out);
  return Outcome::Success;
}

}  // namespace zentho::cli
