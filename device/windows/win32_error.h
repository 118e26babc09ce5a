// The system's text for a Win32 error code, for logs and traces.
#pragma once

#include <cstdint>
#include <string>

namespace zentho::device::windows_hid {

// "Access is denied. (error 5)": the system's message without its line end, and the
// code, which stays readable when the system has no text for it.
std::string Win32ErrorText(std::uint32_t error);

// Win32ErrorText(GetLastError()).
std::string LastErrorText();

}  // namespace zentho::device::windows_hid
