// Fuzz target: any report descriptor gives a report map or a refusal, never a read past
// its end. The map must agree with a plain walk over the items (refused exactly when an
// item is cut short; no more collections and reports than the items that make them),
// sums may only grow as items are added, an item without report fields changes nothing,
// and the lengths taken from the map agree with each other.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "device/report_descriptor.h"

namespace {

using zentho::device::CollectionReports;
using zentho::device::ReportMap;

// What a walk that only follows item lengths sees.
struct Items {
  bool cutShort = false;
  std::size_t lastItemStart = 0;  // where the last whole item begins
  std::size_t collections = 0;    // Collection items
  std::size_t inputs = 0;         // Input items
  std::size_t outputs = 0;        // Output items
};

Items Walk(const std::uint8_t* data, std::size_t size) {
  Items items;
  for (std::size_t at = 0; at < size;) {
    const std::uint8_t prefix = data[at];
    std::size_t next = 0;
    if (prefix == 0xFE) {
      next = at + 2 < size ? at + 3 + data[at + 1] : size + 1;
    } else {
      const std::size_t dataSize = (prefix & 3u) == 3u ? 4u : (prefix & 3u);
      next = at + 1 + dataSize;
      switch (prefix & 0xFCu) {
        case 0xA0: ++items.collections; break;
        case 0x80: ++items.inputs; break;
        case 0x90: ++items.outputs; break;
        default: break;
      }
    }
    if (next > size) {
      items.cutShort = true;
      return items;
    }
    items.lastItemStart = at;
    at = next;
  }
  return items;
}

// The bits of each report ID summed over every collection, saturating as the parser does.
std::map<std::uint32_t, std::uint64_t> Totals(const ReportMap& map, bool input) {
  std::map<std::uint32_t, std::uint64_t> totals;
  for (const CollectionReports& collection : map.collections) {
    for (const auto& [id, bits] : input ? collection.inputBits : collection.outputBits) {
      std::uint64_t& total = totals[id];
      total = bits > UINT64_MAX - total ? UINT64_MAX : total + bits;
    }
  }
  return totals;
}

bool Grows(const std::map<std::uint32_t, std::uint64_t>& before,
           const std::map<std::uint32_t, std::uint64_t>& after) {
  return std::all_of(before.begin(), before.end(), [&](const auto& entry) {
    const auto found = after.find(entry.first);
    return found != after.end() && found->second >= entry.second;
  });
}

bool Same(const ReportMap& a, const ReportMap& b) {
  return std::equal(a.collections.begin(), a.collections.end(), b.collections.begin(),
                    b.collections.end(), [](const CollectionReports& x, const CollectionReports& y) {
                      return x.inputBits == y.inputBits && x.outputBits == y.outputBits;
                    });
}

void Check(bool property) {
  if (!property) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zentho::device;
  const Items items = Walk(data, size);
  const std::optional<ReportMap> map = ParseReportDescriptor({data, size});
  Check(map.has_value() == !items.cutShort);
  Check(InputReportByteLength({data, size}).has_value() == map.has_value());
  if (!map) return 0;

  // A collection is opened by a Collection item, or is the one of loose main items.
  Check(map->collections.size() <= items.collections + 1);
  std::size_t inputReports = 0;
  std::size_t outputReports = 0;
  std::size_t longest = 0;
  for (const CollectionReports& collection : map->collections) {
    inputReports += collection.inputBits.size();
    outputReports += collection.outputBits.size();
    const std::size_t length = InputReportByteLength(collection);
    // The ID byte and at least one bit of data, or no input report at all.
    Check(collection.inputBits.empty() ? length == 0 : length >= 1);
    longest = std::max(longest, length);
  }
  Check(inputReports <= items.inputs && outputReports <= items.outputs);
  Check(InputReportByteLength({data, size}) == std::optional<std::size_t>(longest));

  // The download length asked with fewer output bytes is there whenever it is with more,
  // and the same, and it is the input length of some collection.
  const std::optional<std::size_t> download = DownloadInputReportLength(*map, 1029);
  const std::optional<std::size_t> anyOutput = DownloadInputReportLength(*map, 0);
  Check(!download || download == anyOutput);
  if (anyOutput) {
    Check(std::any_of(map->collections.begin(), map->collections.end(),
                      [&](const CollectionReports& c) {
                        return c.inputBits.contains(1) && InputReportByteLength(c) == *anyOutput;
                      }));
  }

  // Without its last item the sums of every report can only be smaller.
  if (size > 0) {
    const std::optional<ReportMap> shorter = ParseReportDescriptor({data, items.lastItemStart});
    Check(shorter.has_value());
    Check(Grows(Totals(*shorter, true), Totals(*map, true)));
    Check(Grows(Totals(*shorter, false), Totals(*map, false)));
  }

  // A long item and a Usage item carry no report fields.
  std::vector<std::uint8_t> longer(data, data + size);
  longer.insert(longer.end(), {0xFE, 0x01, 0x00, 0x55, 0x09, 0x01});
  const std::optional<ReportMap> same = ParseReportDescriptor(longer);
  Check(same.has_value() && Same(*same, *map));
  return 0;
}
