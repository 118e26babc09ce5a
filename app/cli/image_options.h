// The options every verb that sends an image shares: what FILE holds, FILE, and how
// long one block's acknowledgement may take.
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

inline void AddAckTimeoutOption(CLI::App& command, unsigned& ackTimeoutMs) {
  command
      .add_option("--ack-timeout", ackTimeoutMs,
                  "Longest wait for one block's acknowledgement (default 5000)")
      ->type_name("MS")
      ->check(CLI::Range(1U, 3600000U));
}

}  // namespace zentho::cli
