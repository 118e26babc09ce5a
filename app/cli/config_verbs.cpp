// The config verbs over the configuration image builder.
#include "app/cli/config_verbs.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "app/cli/input_files.h"
#include "base/file_guard.h"
#include "app/cli/json_output.h"
#include "app/cli/output_files.h"
#include "app/cli/reporter.h"

namespace zentho::cli {
namespace {

std::string Hex16(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", unsigned{value});
  return text;
}

}  // namespace

void ConfigCheckVerb::options(CLI::App& command) {
  command.add_option("FILE", file_, "Configuration text file")->required();
  command.add_flag("--json", json_, "One JSON object");
}

Outcome ConfigCheckVerb::run(Environment& environment) {
  const OsResult<ConfigCheck> result = CheckConfigFile(file_);
  if (!result) {
    const std::string message = "cannot read " + file_ + ": " + result.reason();
    Report(environment.err, message);
    if (json_) WriteJsonError(environment.out, "file", message);
    return Outcome::FileUnreadable;
  }
  const ConfigCheck* check = &result.value();
  const ConfigParseReport& parse = check->parse;
  if (json_) {
    WriteJsonLine(environment.out, {{"file", file_},
                                    {"values", parse.count},
                                    {"stopLine", parse.stopLine},
                                    {"stopColumn", parse.stopColumn},
                                    {"endOfFile", parse.endOfFile},
                                    {"stopReason", check->stopReason},
                                    {"checksum", Hex16(check->checksum)},
                                    {"sealed", check->sealed}});
  } else {
    std::string text = "values:   " + std::to_string(parse.count) + "\n";
    text += "stopped:  line " + std::to_string(parse.stopLine) + ", column " +
            std::to_string(parse.stopColumn) + ": " + check->stopReason + "\n";
    char bytes[16];
    std::snprintf(bytes, sizeof bytes, "%02x %02x", unsigned(check->checksum & 0xFF),
                  unsigned(check->checksum >> 8));
    if (check->sealed) {
      text += "checksum: " + Hex16(check->checksum) + " (bytes 0-1: " + bytes + ")\n";
      text += "sealed:   yes\n";
    } else {
      text += "checksum: " + Hex16(check->checksum) + " (not stored)\n";
      text += "sealed:   no, " + std::to_string(kConfigImageLength) + " values are needed\n";
    }
    std::fputs(text.c_str(), environment.out);
  }
  return check->sealed ? Outcome::Success : Outcome::DownloadFailed;
}

void ConfigBuildVerb::options(CLI::App& command) {
  command.add_option("FILE", file_, "Configuration text file")->required();
  command.add_option("-o,--output", output_, "Where to write the image")->required()->type_name("OUT");
}

Outcome ConfigBuildVerb::run(Environment& environment) {
  if (const std::optional<std::string> clash =
          FindFileClash({{"the configuration file", file_}}, {{"-o", output_}})) {
    Report(environment.err, *clash);
    return Outcome::UsageError;
  }
  const OsResult<ConfigCheck> result = CheckConfigFile(file_);
  if (!result) {
    Report(environment.err, "cannot read " + file_ + ": " + result.reason());
    return Outcome::FileUnreadable;
  }
  const ConfigCheck* check = &result.value();
  if (!check->sealed) {
    // An unsealed image is what a download would send, but nobody should flash it on
    // purpose: the count says the file is not what its author meant.
    Report(environment.err, UnsealedLine(file_, *check) + "; nothing written");
    return Outcome::DownloadFailed;
  }
  OsResult<std::vector<OutputFile>> created = CreateOutputFiles({output_});
  std::optional<std::string> failure;
  if (!created) {
    failure = created.reason();
  } else {
    std::FILE* file = created->front().release();
    WriteOutput(file, {reinterpret_cast<const char*>(check->image.data()), check->image.size()},
                failure);
    if (std::fclose(file) != 0 && !failure) failure = ErrnoText(errno);
    if (failure) failure = output_ + ": " + *failure;
  }
  if (failure) {
    Report(environment.err, "cannot write " + *failure);
    return Outcome::FileUnreadable;
  }
  std::fprintf(environment.out, "%s: 256 bytes, checksum %s\n", output_.c_str(),
               Hex16(check->checksum).c_str());
  return Outcome::Success;
}

}  // namespace zentho::cli
