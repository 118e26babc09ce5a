// The machine's name, the station's name in its records unless --station-name says.
#pragma once

#include <string>

namespace zentho::cli {

// Empty when the system can't tell.
std::string HostName();

}  // namespace zentho::cli
