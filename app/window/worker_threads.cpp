// The standard library's threads as the worker's platform service.
#include <system_error>

#include "app/window/window_services.h"

namespace zentho::window {

std::optional<std::jthread> WorkerThreads::start(std::function<void(std::stop_token)> body) {
  try {
    return std::jthread(std::move(body));
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

}  // namespace zentho::window
