// The options every verb that sends an image shares: what FILE holds, FILE, and how
// long one block's acknowledgement may take.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "transfer/download_mode.h"

namespace zentho::cli {

// Every DownloadMode's name, for the option's check and help.
inline std::vector<std::string> DownloadModeNames() {
  std::vector<std::string> names;
  for (DownloadMode mode : kDownloadModes) names.emplace_back(ModeName(mode));
  return names;
}

// `required` off where another option (the station's --job) can name the image instead.
inline void AddImageOptions(CLI::App& command, std::string& mode, std::string& file,
                            bool required = true) {
  command.add_option("--mode", mode, "What FILE holds: kvm, bootloader or config")
      ->required(required)
      ->check(CLI::IsMember(DownloadModeNames()));
  command.add_option("FILE", file, "Firmware image, or configuration text for config")->required(required);
}

inline void AddAckTimeoutOption(CLI::App& command, unsigned& ackTimeoutMs) {
  command
      .add_option("--ack-timeout", ackTimeoutMs,
                  "Longest wait for one block's acknowledgement (default 5000)")
      ->type_name("MS")
      ->check(CLI::Range(1U, 3600000U));
}

}  // namespace zentho::cli
