// The station's files put to the file guard before anything is read or written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/exit_codes.h"

namespace zentho::cli {

struct StationFiles {
  std::string image;
  std::string plan;       // a hot-plug plan; empty without one
  std::string record;     // --record; empty without
  std::string recordCsv;  // --record-csv; empty without
  std::string job;        // --job; empty without
  std::string slots;      // --slots; empty without
  std::vector<std::string> history;  // --history
};

struct FileRefusal {
  std::string message;  // without "zentho-iap: "
  Outcome outcome;
};

// The image, the plan, the job, the slot map and the earlier records must be regular
// files (exit 4, "cannot read ..."); a record that would land on one of them or on the
// other record is refused (exit 2), as `download` refuses its outputs.
std::optional<FileRefusal> CheckStationFiles(const StationFiles& files);

}  // namespace zentho::cli
