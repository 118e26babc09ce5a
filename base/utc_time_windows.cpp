// UTC on Windows.
#include "base/utc_time.h"

namespace zentho {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_s(&utc, &time); }

}  // namespace zentho
