// Departures and arrivals from successive lists, when a list is whole and when it is not.
#include <gtest/gtest.h>

#include <deque>

#include "device/arrival_poller.h"

namespace zentho::testing {
namespace {

using device::InterfaceSlot;

// One look's list: paths, "?" for an entry whose details can't be read; `failed` for a
// listing that stopped short.
struct Listing {
  std::vector<std::string> entries;
  bool failed = false;
};

class ScriptedList final : public device::InterfaceList {
 public:
  explicit ScriptedList(Listing listing) : listing_(std::move(listing)) {}
  std::optional<InterfaceSlot> at(std::size_t index) override {
    if (index >= listing_.entries.size()) return std::nullopt;
    if (listing_.entries[index] == "?") return InterfaceSlot{InterfaceSlot::Status::DetailReadFailed, {}, {}};
    return InterfaceSlot{InterfaceSlot::Status::Path, listing_.entries[index], {}};
  }
  bool complete() const override { return !listing_.failed; }

 private:
  Listing listing_;
};

class ScriptedPlatform final : public device::HidPlatform {
 public:
  std::deque<Listing> listings;
  std::unique_ptr<device::InterfaceList> listInterfaces() override {
    Listing next = listings.front();
    listings.pop_front();
    return std::make_unique<ScriptedList>(std::move(next));
  }
  device::OpenResult open(const std::string&) override { return OsError{"unused"}; }
  std::unique_ptr<device::RemovalWatch> watchRemoval(device::HidDevice&) override { return nullptr; }
};

std::string Changes(const std::vector<device::InterfaceChange>& changes) {
  std::string text;
  for (const device::InterfaceChange& change : changes) {
    if (!text.empty()) text += ' ';
    text += (change.kind == device::InterfaceChange::Kind::Arrived ? "+" : "-") + change.path;
  }
  return text;
}

TEST(ArrivalPoller, WhatALookMissesDepartsOnlyWhenTheListCanBeTrusted) {
  struct Case {
    const char* name;
    std::vector<Listing> looks;
    std::vector<std::string> expected;  // one line of changes per look
  };
  const std::vector<Case> cases = {
      {"whole lists", {{{"a", "b"}}, {{"b", "c"}}, {{}}},
       {"+a +b", "-a +c", "-b -c"}},
      {"a listing that failed keeps everything", {{{"a", "b"}}, {{}, true}, {{"a"}, true}, {{"a"}}},
       {"+a +b", "", "", "-b"}},
      {"one unreadable entry: a missing path departs at the second miss",
       {{{"a", "b"}}, {{"a", "?"}}, {{"?", "b"}}, {{"?"}}, {{"?"}}},
       {"+a +b", "", "", "-a", "-b"}},
      {"a path seen again between misses starts over",
       {{{"a"}}, {{"?"}}, {{"a", "?"}}, {{"?"}}, {{}}},
       {"+a", "", "", "", "-a"}},
      {"arrivals are heard from any list", {{{"a"}}, {{"?", "b"}}, {{"c"}, true}},
       {"+a", "+b", "+c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlatform platform;
    platform.listings.assign(c.looks.begin(), c.looks.end());
    device::ArrivalPoller poller;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < c.looks.size(); ++i) seen.push_back(Changes(poller.look(platform)));
    EXPECT_EQ(seen, c.expected);
  }
}

}  // namespace
}  // namespace zentho::testing
