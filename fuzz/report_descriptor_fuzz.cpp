// Fuzz target: any report descriptor gives a length or a refusal, never a read past
// its end or a length that does not fit the items it holds.
#include <cstdint>
#include <cstdlib>

#include "device/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<std::size_t> length = zentho::device::InputReportByteLength({data, size});
  (void)length;
  return 0;
}
