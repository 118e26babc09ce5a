// The station's inputs and records through the file guard.
#include "app/station/station_files.h"

#include "base/file_guard.h"

namespace zentho::cli {

std::optional<FileRefusal> CheckStationFiles(const StationFiles& files) {
  if (std::string why = InputProblem(files.image); !why.empty()) {
    return FileRefusal{"cannot read " + files.image + ": " + why, Outcome::FileUnreadable};
  }
  if (!files.plan.empty()) {
    if (std::string why = InputProblem(files.plan); !why.empty()) {
      return FileRefusal{"cannot read the plan " + files.plan + ": " + why, Outcome::FileUnreadable};
    }
  }
  if (std::optional<std::string> clash =
          FindFileClash({{"the firmware file", files.image}, {"the plan", files.plan}},
                        {{"--record", files.record}, {"--record-csv", files.recordCsv}})) {
    return FileRefusal{std::move(*clash), Outcome::UsageError};
  }
  return std::nullopt;
}

}  // namespace zentho::cli
