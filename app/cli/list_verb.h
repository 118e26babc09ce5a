// `zentho-iap list`: the present HID interfaces with the target IDs, and whether each
// can be opened.
#pragma once

#include <string>

#include "app/cli/verb.h"

namespace zentho::cli {

class ListVerb final : public Verb {
 public:
  std::string_view name() const override { return "list"; }
  std::string_view help() const override { return "List the matching HID interfaces"; }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  device::HidIds ids_{device::kOrvaneVendorId, device::kOrvaneProductId};
  bool json_ = false;
  std::string simulate_;
};

}  // namespace zentho::cli
