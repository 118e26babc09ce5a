// Yield: the share of sessions with a verdict that passed. Boards taken out during their
// session have no verdict and count in neither.
#pragma once

#include <string>

namespace zentho::cli {

// "83.3 %", or "-" when no session had a verdict.
std::string FormatYield(unsigned passed, unsigned failed);

}  // namespace zentho::cli
