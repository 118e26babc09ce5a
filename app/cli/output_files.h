// Writing the output files of a verb, which the file guard checked and created.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/file_guard.h"

namespace zentho::cli {

// Outputs are opened through the file guard; its FileHandle is the CLI's OutputFile.
using OutputFile = FileHandle;

// Writes all of `bytes` and flushes; on failure keeps the first reason in `failure`
// (later writes are skipped, so a full disk is reported once and not retried per line).
bool WriteOutput(std::FILE* file, std::string_view bytes, std::optional<std::string>& failure);

}  // namespace zentho::cli
