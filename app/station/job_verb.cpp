// Writing a job file: the image hashed, a configuration checked for its seal, the slot
// map read, each file through the file guard.
#include "app/station/job_verb.h"

#include <cerrno>
#include <filesystem>

#include "app/cli/hex_id.h"
#include "app/cli/image_options.h"
#include "app/cli/input_files.h"
#include "app/cli/reporter.h"
#include "app/station/job_check.h"
#include "app/station/job_file.h"
#include "base/file_guard.h"

namespace zentho::cli {

void JobCreateVerb::options(CLI::App& command) {
  AddImageOptions(command, mode_, file_);
  AddIdOptions(command, ids_);
  command.add_option("--lot", lot_, "The lot or work order, for every record line")->type_name("TEXT");
  command.add_option("--name", name_, "The job's name (default: JOB's name without its extension)")
      ->type_name("TEXT");
  command.add_option("--count", count_, "Passes wanted: the station stops after N (default: no end)")
      ->type_name("N")
      ->check(CLI::Range(1U, 1000000U));
  command.add_option("--quarantine-after", quarantineAfter_,
                     "Quarantine a slot after N failed sessions in a row (default 3, 0: never)")
      ->type_name("N")
      ->check(CLI::Range(0U, 1000U));
  command.add_option("--slots", slots_, "Slot map: PORT = LABEL lines")->type_name("FILE");
  command.add_option("-o,--output", output_, "Where to write the job")->required()->type_name("JOB");
}

Outcome JobCreateVerb::run(Environment& environment) {
  if (const std::optional<std::string> clash =
          FindFileClash({{"the image", file_}, {"the slot map", slots_}}, {{"-o", output_}})) {
    Report(environment.err, *clash);
    return Outcome::UsageError;
  }
  StationJob job;
  job.mode = *ParseDownloadMode(mode_);  // the option's check let only names in
  job.ids = ids_;
  job.lot = lot_;
  job.count = count_;
  job.quarantineAfter = quarantineAfter_;
  job.name = name_.empty() ? std::filesystem::path(output_).stem().string() : name_;
  if (!slots_.empty()) {
    const OsResult<std::string> text = ReadTextInput(slots_);
    if (!text) {
      Report(environment.err, "cannot read the slot map " + slots_ + ": " + text.reason());
      return Outcome::FileUnreadable;
    }
    std::string error;
    std::optional<SlotMap> slots = ParseSlotMap(*text, error);
    if (!slots) {
      Report(environment.err, slots_ + ": " + error);
      return Outcome::UsageError;
    }
    job.slots = std::move(*slots);
  }
  if (const std::optional<FileRefusal> refused = CheckSealed(job.mode, file_)) {
    Report(environment.err, refused->message + "; no job written");
    return refused->outcome;
  }
  const OsResult<FileDigest> digest = HashFile(file_, environment.stop);
  if (!digest) {
    Report(environment.err, "cannot read " + file_ + ": " + digest.reason());
    return Outcome::FileUnreadable;
  }
  job.size = digest->size;
  job.sha256 = ToHex(digest->digest);
  job.image = ImagePathInJob(file_, output_);

  const std::string text = JobJson(job);
  const OsResult<void> written = WriteOutput(output_, text);
  if (!written) {
    Report(environment.err, "cannot write " + output_ + ": " + written.reason());
    return Outcome::FileUnreadable;
  }
  std::fprintf(environment.out, "%s: job %s, lot %s, %s %s (%llu bytes, SHA-256 %s), %s, %s, %zu slots\n",
               Printable(output_).c_str(), Printable(job.name).c_str(),
               Printable(job.lot.empty() ? "-" : job.lot).c_str(), mode_.c_str(), Printable(job.image).c_str(),
               static_cast<unsigned long long>(job.size), job.sha256.c_str(), FormatIds(job.ids).c_str(),
               job.count == 0 ? "no count" : (std::to_string(job.count) + " passes wanted").c_str(),
               job.slots.ports.size());
  return Outcome::Success;
}

}  // namespace zentho::cli
