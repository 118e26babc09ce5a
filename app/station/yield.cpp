// Yield as the summary and the report write it.
#include "app/station/yield.h"

#include <cstdio>

namespace zentho::cli {

std::string FormatYield(unsigned passed, unsigned failed) {
  const unsigned sessions = passed + failed;
  if (sessions == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f %%", 100.0 * passed / sessions);
  return text;
}

}  // namespace zentho::cli
