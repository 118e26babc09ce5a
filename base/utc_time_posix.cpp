// UTC on POSIX systems.
#include "base/utc_time.h"

namespace zentho {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_r(&time, &utc); }

}  // namespace zentho
