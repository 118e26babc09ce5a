// The options every verb that sends an image shares: what FILE holds, and FILE.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace zentho::cli {

inline void AddImageOptions(CLI::App& command, std::string& mode, std::string& file) {
  command.add_option("--mode", mode, "What FILE holds: kvm, bootloader or config")
      ->required()
      ->check(CLI::IsMember({"kvm", "bootloader", "config"}));
  command.add_option("FILE", file, "Firmware image, or configuration text for config")->required();
}

}  // namespace zentho::cli
