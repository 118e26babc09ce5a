// Hot-plug plans: what a line may say, and what a wrong one is told.
#include <gtest/gtest.h>

#include <sstream>

#include "device/simulated/hotplug_plan.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

TEST(HotplugPlan, StepsInTimeOrderWithTheirFaults) {
  std::istringstream in(
      "# seconds action port\n"
      "\n"
      "2.5 unplug 1-2\r\n"
      "0 plug 1-1 serial=A1\n"
      "0.25 plug 1-2 refuse=3 stall=7\n");
  std::string error;
  const auto steps = sim::ParsePlan(in, error);
  ASSERT_TRUE(steps) << error;
  ASSERT_EQ(steps->size(), 3U);
  EXPECT_EQ((*steps)[0].at, 0ms);
  EXPECT_EQ((*steps)[0].serial, "A1");
  EXPECT_EQ((*steps)[1].at, 250ms);
  EXPECT_EQ((*steps)[1].port, "1-2");
  ASSERT_EQ((*steps)[1].faults.faults.size(), 2U);
  EXPECT_EQ((*steps)[1].faults.faults[0].kind, sim::FaultKind::ReportState);
  EXPECT_EQ((*steps)[1].faults.faults[0].at, 3U);
  EXPECT_EQ((*steps)[1].faults.faults[0].value, 8U);
  EXPECT_EQ((*steps)[1].faults.faults[1].kind, sim::FaultKind::NeverAcknowledge);
  EXPECT_EQ((*steps)[1].faults.faults[1].at, 7U);
  EXPECT_EQ((*steps)[2].at, 2500ms);
  EXPECT_EQ((*steps)[2].action, sim::PlanStep::Action::Unplug);
}

TEST(HotplugPlan, WrongLinesAreNamed) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"soon plug 1-1", "plan line 1: \"soon\" is not a time in seconds"},
      {"-1 plug 1-1", "plan line 1: \"-1\" is not a time in seconds"},
      {"1s plug 1-1", "plan line 1: \"1s\" is not a time in seconds"},
      {"1 insert 1-1", "plan line 1: the action is plug or unplug"},
      {"# ok\n1 plug", "plan line 2: a port is needed"},
      {"1 plug 1-1 refuse=x", "plan line 1: \"refuse=x\" is not serial=TEXT, refuse=BLOCK or stall=BLOCK"},
      {"1 plug 1-1 stall=70000", "plan line 1: \"stall=70000\" is not serial=TEXT, refuse=BLOCK or stall=BLOCK"},
      {"1 unplug 1-1 serial=A", "plan line 1: \"serial=A\" is not serial=TEXT, refuse=BLOCK or stall=BLOCK"},
  };
  for (const auto& [text, message] : cases) {
    std::istringstream in(text);
    std::string error;
    EXPECT_FALSE(sim::ParsePlan(in, error)) << text;
    EXPECT_EQ(error, message) << text;
  }
}

}  // namespace
}  // namespace zentho::testing
