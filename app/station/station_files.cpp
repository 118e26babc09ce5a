// The station's inputs and records through the file guard.
#include "app/station/station_files.h"

#include "base/file_guard.h"

namespace zentho::cli {

std::optional<FileRefusal> CheckStationFiles(const StationFiles& files) {
  if (std::string why = InputProblem(files.image); !why.empty()) {
    return FileRefusal{"cannot read " + files.image + ": " + why, Outcome::FileUnreadable};
  }
  std::vector<NamedFile> inputs{{"the plan", files.plan}, {"the job", files.job}, {"the slot map", files.slots}};
  for (const std::string& history : files.history) inputs.push_back({"the earlier record", history});
  for (const NamedFile& input : inputs) {
    if (input.path.empty()) continue;
    if (std::string why = InputProblem(input.path); !why.empty()) {
      return FileRefusal{"cannot read " + input.role + " " + input.path + ": " + why, Outcome::FileUnreadable};
    }
  }
  inputs.insert(inputs.begin(), {"the firmware file", files.image});
  if (std::optional<std::string> clash =
          FindFileClash(inputs, {{"--record", files.record}, {"--record-csv", files.recordCsv}})) {
    return FileRefusal{std::move(*clash), Outcome::UsageError};
  }
  return std::nullopt;
}

}  // namespace zentho::cli
