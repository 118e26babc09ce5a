// The operator's lines from a stream, read on a detached thread.
#include "app/station/operator_input.h"

#include <mutex>
#include <thread>
#include <utility>

namespace zentho::cli {
namespace {

struct SharedLines {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::function<void()> notify;
};

class StreamInput final : public OperatorInput {
 public:
  explicit StreamInput(std::FILE* in) : shared_(std::make_shared<SharedLines>()) {
    // Detached: a read from a terminal can't be interrupted portably, and nothing is
    // lost by leaving it blocked when the station ends.
    std::thread([in, shared = shared_] {
      std::string line;
      for (int c; (c = std::fgetc(in)) != EOF;) {
        if (c != '\n') {
          if (line.size() < 256) line.push_back(static_cast<char>(c));
          continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::function<void()> notify;
        {
          std::lock_guard lock(shared->mutex);
          shared->lines.push_back(std::move(line));
          notify = shared->notify;
        }
        line.clear();
        if (notify) notify();
      }
    }).detach();
  }
  ~StreamInput() override {
    std::lock_guard lock(shared_->mutex);
    shared_->notify = nullptr;
  }
  std::vector<std::string> take() override {
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->lines, {});
  }
  void setNotify(std::function<void()> notify) override {
    std::lock_guard lock(shared_->mutex);
    shared_->notify = std::move(notify);
  }

 private:
  std::shared_ptr<SharedLines> shared_;
};

}  // namespace

std::unique_ptr<OperatorInput> ReadOperatorLines(std::FILE* in) {
  return std::make_unique<StreamInput>(in);
}

}  // namespace zentho::cli
