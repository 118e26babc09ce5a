// Lines the operator types at the station (a slot's label releases it), heard on their
// own thread so that the station never waits on the keyboard.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zentho::cli {

class OperatorInput {
 public:
  virtual ~OperatorInput() = default;
  // Lines typed since the last call, without their line ends.
  virtual std::vector<std::string> take() = 0;
  // Called on the reading thread after each line; may be called until this is destroyed.
  virtual void setNotify(std::function<void()> notify) = 0;
};

// Reads `in` line by line on a thread of its own. The thread may stay blocked in a read
// until the process ends; it holds only what it shares with this object.
std::unique_ptr<OperatorInput> ReadOperatorLines(std::FILE* in);

}  // namespace zentho::cli
