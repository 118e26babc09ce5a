// UTC broken down from a time_t, as the platform's C library offers it.
#pragma once

#include <ctime>

namespace zentho {

// gmtime_r or gmtime_s, as the platform has it: both are safe from several threads.
void ToUtc(std::time_t time, std::tm& utc);

}  // namespace zentho
