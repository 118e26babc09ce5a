// USB descriptors of the emulated Orvane board, as FunctionFS wants them written to ep0.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zentho::gadget {

struct BoardShape {
  bool keyboardFirst = false;      // a boot keyboard interface before the download interface
  bool interruptOut = false;       // the download interface has an interrupt OUT endpoint
};

// Report descriptor of the download interface: input report 1 of 7 bytes, output report 1
// of 1029 bytes, in one vendor collection.
std::span<const std::uint8_t> DownloadReportDescriptor();
// Report descriptor of a boot keyboard (8-byte input, 1-byte LED output, no report IDs).
std::span<const std::uint8_t> KeyboardReportDescriptor();

// The FunctionFS descriptor blob (full and high speed) for `shape`.
std::vector<std::uint8_t> FunctionFsDescriptors(const BoardShape& shape);
// An empty FunctionFS string table: no interface names.
std::vector<std::uint8_t> FunctionFsStrings();

// Interface number of the download interface, and the epN file of its interrupt OUT
// endpoint (numbered as FunctionFS names the files: in order of appearance).
unsigned DownloadInterface(const BoardShape& shape);
unsigned OutEndpointFile(const BoardShape& shape);

}  // namespace zentho::gadget
