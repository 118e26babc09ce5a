// The search walk over the simulated bus: which interfaces it opens, what it connects,
// what it logs, and that it gives back everything it took.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "device/interface_survey.h"
#include "device/link_messages.h"
#include "tests/device/bus_fixture.h"

namespace zentho::testing {
namespace {

struct Interface {
  Interface(std::uint16_t vendor, std::uint16_t product, sim::BusInterfaceOptions opts = {})
      : vendorId(vendor), productId(product), options(std::move(opts)) {}
  std::uint16_t vendorId;
  std::uint16_t productId;
  sim::BusInterfaceOptions options;
};

sim::BusInterfaceOptions Unopenable(bool listsIds = true) {
  sim::BusInterfaceOptions options;
  options.openable = false;
  options.listsIds = listsIds;
  return options;
}

sim::BusInterfaceOptions IdsUnreadable() {
  sim::BusInterfaceOptions options;
  options.idsUnreadableOpens = sim::kEveryOpen;
  return options;
}

struct SearchCase {
  std::string name;
  std::vector<Interface> interfaces;
  std::string expectedLog;
  std::vector<std::string> expectedOpenAttempts;
  std::optional<std::string> expectedLinkPath;
  std::uint32_t targetVendorId = 0x4A5D;
  std::uint32_t targetProductId = 0x7310;
  std::optional<std::size_t> detailFailureAt;
  std::optional<std::size_t> allocationFailureAt;
  std::vector<std::string> expectedTrace;
};

SearchCase Case(std::string name, std::vector<Interface> interfaces, std::string expectedLog,
                std::vector<std::string> expectedOpenAttempts,
                std::optional<std::string> expectedLinkPath = std::nullopt) {
  SearchCase c;
  c.name = std::move(name);
  c.interfaces = std::move(interfaces);
  c.expectedLog = std::move(expectedLog);
  c.expectedOpenAttempts = std::move(expectedOpenAttempts);
  c.expectedLinkPath = std::move(expectedLinkPath);
  return c;
}

SearchCase WithTargets(SearchCase c, std::uint32_t vendorId, std::uint32_t productId) {
  c.targetVendorId = vendorId;
  c.targetProductId = productId;
  return c;
}

SearchCase WithTrace(SearchCase c, std::vector<std::string> trace) {
  c.expectedTrace = std::move(trace);
  return c;
}

SearchCase WithDetailFailureAt(SearchCase c, std::size_t index) {
  c.detailFailureAt = index;
  return c;
}

SearchCase WithAllocationFailureAt(SearchCase c, std::size_t index) {
  c.allocationFailureAt = index;
  return c;
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SearchCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class SearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchTest, OpensConnectsAndLogsAsExpected) {
  const SearchCase& c = GetParam();
  BusFixture f;
  for (const Interface& i : c.interfaces) f.plug(i.vendorId, i.productId, i.options);
  if (c.detailFailureAt) f.bus.failDetailReadAt(*c.detailFailureAt);
  if (c.allocationFailureAt) f.bus.failAllocationAt(*c.allocationFailureAt);

  std::shared_ptr<device::DeviceLink> link = f.find(c.targetVendorId, c.targetProductId);

  EXPECT_EQ(f.log, c.expectedLog);
  EXPECT_EQ(f.trace, c.expectedTrace);
  EXPECT_EQ(f.bus.openAttempts(), c.expectedOpenAttempts);
  ASSERT_EQ(link != nullptr, c.expectedLinkPath.has_value());
  const sim::BusCounters during = f.bus.counters();
  EXPECT_EQ(during.listsTaken, 1u);
  EXPECT_EQ(during.listsReleased, 1u);
  // Every interface opened is closed again, except the connected one.
  EXPECT_EQ(during.closes + (link ? 1u : 0u), during.opens);
  if (link) {
    EXPECT_EQ(link->path(), *c.expectedLinkPath);
    EXPECT_EQ(link->ids(), (device::HidIds{0x4A5D, 0x7310}));
    link->release();
    EXPECT_EQ(f.bus.counters().closes, f.bus.counters().opens);
  }
}

const SearchCase kSearchCases[] = {
    Case("NoInterface", {}, "Enum device over\r\n", {}),
    Case("WrongProductIsOpenedAndClosedAgain", {{0x4A5D, 0x7311}}, "Enum device over\r\n",
         {"sim:0"}),
    Case("MatchConnectsSilently", {{0x1234, 0x0001}, {0x4A5D, 0x7310}}, "", {"sim:0", "sim:1"},
         "sim:1"),
    Case("FirstOfTwoMatchesWinsSecondNeverOpened", {{0x4A5D, 0x7310}, {0x4A5D, 0x7310}}, "",
         {"sim:0"}, "sim:0"),
    Case("UnopenableOtherDeviceSkippedSilently",
         {{0x1234, 0x0001, Unopenable()}, {0x4A5D, 0x7310}}, "", {"sim:0", "sim:1"}, "sim:1"),
    // Once a later interface connects, the unopenable one is no news for the operator.
    WithTrace(Case("UnopenableMatchIsTracedOnlyWhenALaterOneConnects",
         {{0x4A5D, 0x7310, Unopenable()}, {0x4A5D, 0x7310}},
         "", {"sim:0", "sim:1"}, "sim:1"),
              {"Cannot open device sim:0 (4a5d:7310): Permission denied\n"}),
    Case("UnopenableMatchAloneIsNamedBeforeEnumOver",
         {{0x4A5D, 0x7310, Unopenable()}, {0x4A5D, 0x0001}},
         "Cannot open device sim:0 (4a5d:7310): Permission denied\r\nEnum device over\r\n",
         {"sim:0", "sim:1"}),
    Case("UnopenableMatchWithoutListedIdsSkippedSilently",
         {{0x4A5D, 0x7310, Unopenable(false)}}, "Enum device over\r\n", {"sim:0"}),
    WithDetailFailureAt(Case("DetailReadFailureEndsTheSearch",
                             {{0x1234, 0x0001}, {0x4A5D, 0x7310}, {0x4A5D, 0x7310}},
                             "SetupDiGetDeviceInterfaceDetail fail\r\n", {"sim:0"}),
                        1),
    WithDetailFailureAt(Case("DetailReadFailureAfterMatchIsNeverReached",
                             {{0x4A5D, 0x7310}, {0x1234, 0x0001}}, "", {"sim:0"}, "sim:0"),
                        1),
    WithAllocationFailureAt(Case("AllocationFailureEndsTheSearch", {{0x4A5D, 0x7310}},
                                 "allocate memory fail\r\n", {}),
                            0),
    WithTargets(Case("VendorTargetAbove16BitsMatchesNothing", {{0x4A5D, 0x7310}},
                     "Enum device over\r\n", {"sim:0"}),
                0x14A5D, 0x7310),
    WithTargets(Case("ProductTargetAbove16BitsMatchesNothing", {{0x4A5D, 0x7310}},
                     "Enum device over\r\n", {"sim:0"}),
                0x4A5D, 0xFFFF7310),
    Case("UnreadableIdsDoNotMatch", {{0x4A5D, 0x7310, IdsUnreadable()}}, "Enum device over\r\n",
         {"sim:0"}),
};

INSTANTIATE_TEST_SUITE_P(Walk, SearchTest, ::testing::ValuesIn(kSearchCases),
                         [](const auto& testInfo) { return testInfo.param.name; });

TEST(SearchTest, UnpluggedInterfaceIsNotListed) {
  BusFixture f;
  const std::string first = f.plug(0x4A5D, 0x7310);
  f.plug(0x4A5D, 0x7310);
  f.bus.unplug(first);
  std::shared_ptr<device::DeviceLink> link = f.find();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->path(), "sim:1");
  EXPECT_EQ(f.bus.openAttempts(), std::vector<std::string>{"sim:1"});
}

TEST(SearchTest, RepeatedSearchesLeaveNothingOpen) {
  BusFixture f;
  f.plug(0x4A5D, 0x0001);
  f.plug(0x4A5D, 0x7310);
  for (int round = 0; round < 3; ++round) {
    std::shared_ptr<device::DeviceLink> link = f.find();
    ASSERT_NE(link, nullptr);
  }
  const sim::BusCounters counters = f.bus.counters();
  EXPECT_EQ(counters.opens, 6u);
  EXPECT_EQ(counters.closes, 6u);
  EXPECT_EQ(counters.listsReleased, 3u);
}

TEST(SurveyTest, ReportsEveryInterfaceAndGoesOnPastFailedEntries) {
  using Status = device::InterfaceSlot::Status;
  BusFixture f;
  f.plug(0x046D, 0xC077);
  f.plug(0x4A5D, 0x7310, Unopenable());
  f.plug(0x1234, 0x0001);
  f.plug(0x4A5D, 0x7310, Unopenable(false));
  sim::BusInterfaceOptions idsUnreadable;
  idsUnreadable.idsUnreadableOpens = sim::kEveryOpen;
  f.plug(0x4A5D, 0x7310, idsUnreadable);
  f.bus.failDetailReadAt(2);

  const std::vector<device::InterfaceReport> reports = device::SurveyInterfaces(f.bus);
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports[0].path, "sim:0");
  EXPECT_EQ(reports[0].ids, (device::HidIds{0x046D, 0xC077}));
  EXPECT_TRUE(reports[0].openable);
  EXPECT_EQ(reports[1].ids, (device::HidIds{0x4A5D, 0x7310}));
  EXPECT_FALSE(reports[1].openable);
  EXPECT_EQ(reports[1].openError, "Permission denied");
  EXPECT_EQ(reports[2].status, Status::DetailReadFailed);
  EXPECT_EQ(reports[3].path, "sim:3");
  EXPECT_EQ(reports[3].ids, std::nullopt);
  EXPECT_TRUE(reports[4].openable);
  EXPECT_EQ(reports[4].ids, (device::HidIds{0x4A5D, 0x7310}));  // as listed
  EXPECT_EQ(reports[4].idsError, "Input/output error");
  EXPECT_EQ(f.bus.counters().closes, f.bus.counters().opens);
  EXPECT_EQ(f.bus.counters().listsReleased, 1u);
}

TEST(LinkMessagesTest, CannotOpenNamesIdsInLowerCaseHexOfFourDigits) {
  EXPECT_EQ(device::msg::CannotOpenDevice("/dev/hidraw3", {0x4A5D, 0x7310}, "Permission denied"),
            "Cannot open device /dev/hidraw3 (4a5d:7310): Permission denied");
  EXPECT_EQ(device::msg::CannotOpenDevice("/dev/hidraw12", {0x000A, 0x00FF}, "No such device"),
            "Cannot open device /dev/hidraw12 (000a:00ff): No such device");
}

}  // namespace
}  // namespace zentho::testing
