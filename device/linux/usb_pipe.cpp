// The interface's endpoints and usbhid's quirks, read from sysfs.
#include "device/linux/usb_pipe.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "device/link_messages.h"

namespace zentho::device::linux_hid {
namespace {

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool ParseUnsigned(std::string_view text, std::uint32_t& value) {
  if (text.empty()) return false;
  const std::string copy(text);
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(copy.c_str(), &end, 0);
  if (end != copy.c_str() + copy.size() || parsed > 0xFFFFFFFFul) return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

}  // namespace

bool HasInterruptOutEndpoint(const std::filesystem::path& interfaceSyspath) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(interfaceSyspath, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->path().filename().string().starts_with("ep_")) continue;
    if (FirstLine(it->path() / "type") == "Interrupt" &&
        FirstLine(it->path() / "direction") == "out") {
      return true;
    }
  }
  return false;
}

bool UsbhidQuirkSet(std::string_view quirksParameter, HidIds ids, std::uint32_t quirk) {
  while (!quirksParameter.empty() &&
         (quirksParameter.back() == '\n' || quirksParameter.back() == ' ')) {
    quirksParameter.remove_suffix(1);
  }
  for (std::size_t start = 0; start <= quirksParameter.size();) {
    std::size_t comma = quirksParameter.find(',', start);
    if (comma == std::string_view::npos) comma = quirksParameter.size();
    const std::string_view entry = quirksParameter.substr(start, comma - start);
    start = comma + 1;
    const std::size_t first = entry.find(':');
    const std::size_t second = first == std::string_view::npos ? first : entry.find(':', first + 1);
    if (second == std::string_view::npos) continue;  // "(null)" and the like
    std::uint32_t vendor = 0, product = 0, flags = 0;
    if (ParseUnsigned(entry.substr(0, first), vendor) &&
        ParseUnsigned(entry.substr(first + 1, second - first - 1), product) &&
        ParseUnsigned(entry.substr(second + 1), flags) && vendor == ids.vendorId &&
        product == ids.productId && (flags & quirk) == quirk) {
      return true;
    }
  }
  return false;
}

std::optional<std::string> OutputPipeNote(const std::filesystem::path& interfaceSyspath,
                                          const std::filesystem::path& quirksPath, HidIds ids) {
  if (interfaceSyspath.empty() || !HasInterruptOutEndpoint(interfaceSyspath)) return std::nullopt;
  // The parameter is one line of VID:PID:FLAGS entries.
  if (UsbhidQuirkSet(FirstLine(quirksPath), ids, kQuirkNoOutputReportsOnInterruptEndpoint)) return std::nullopt;
  return msg::OutputReportsOnInterruptPipe(ids);
}

}  // namespace zentho::device::linux_hid
