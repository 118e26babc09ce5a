// Small helpers the fault tests share: the descriptors this process holds, and a log
// line expected several times over.
#pragma once

#include <dirent.h>

#include <cstddef>
#include <string>

namespace zentho::testing {

// Descriptors open in this process, counted in /proc/self/fd. Under Wine that folder
// shows the Wine process's own descriptors, which come and go with its service threads:
// there the count is always 0 and the check is left to the Linux runs.
inline std::size_t OpenDescriptors() {
  std::size_t count = 0;
#ifndef _WIN32
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
  }
#endif
  return count;
}

// `line` `times` times over.
inline std::string Repeat(const std::string& line, unsigned times) {
  std::string text;
  for (unsigned i = 0; i < times; ++i) text += line;
  return text;
}

}  // namespace zentho::testing
