// JSON Lines events of download jobs.
#include "app/cli/json_output.h"

#include <chrono>

#include "app/cli/hex_id.h"
#include "app/cli/text_output.h"

namespace zentho::cli {

int WriteJsonLine(std::FILE* out, const nlohmann::ordered_json& object) {
  const std::string line =
      object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  return WriteAndFlush(out, line);
}

void WriteJsonError(std::FILE* out, std::string_view kind, std::string_view message) {
  WriteJsonLine(out, {{"event", "error"}, {"error", kind}, {"message", message}});
}

JsonOutput::JsonOutput(std::FILE* out, std::string mode, std::string file, bool debugTrace)
    : out_(out), mode_(std::move(mode)), file_(std::move(file)), debugTrace_(debugTrace) {}

void JsonOutput::emit(const nlohmann::ordered_json& object) {
  const int failure = WriteJsonLine(out_, object);
  if (writeError_ == 0) writeError_ = failure;
}

nlohmann::ordered_json JsonOutput::event(std::string_view name, std::size_t device) const {
  return {{"event", name}, {"device", device < paths_.size() ? paths_[device] : std::string{}}};
}

void JsonOutput::started(std::size_t device, const Target& target) {
  if (paths_.size() <= device) paths_.resize(device + 1);
  paths_[device] = target.path;
  nlohmann::ordered_json object = event("start", device);
  object["vid"] = FormatHexId(target.ids.vendorId);
  object["pid"] = FormatHexId(target.ids.productId);
  object["mode"] = mode_;
  object["file"] = file_;
  emit(object);
}

void JsonOutput::logged(std::size_t device, std::string_view text) {
  nlohmann::ordered_json object = event("log", device);
  object["text"] = text;
  emit(object);
}

void JsonOutput::progressed(std::size_t device, std::uint32_t bytes, std::uint32_t total) {
  nlohmann::ordered_json object = event("progress", device);
  object["bytes"] = bytes;
  object["total"] = total;
  emit(object);
}

void JsonOutput::debugTraced(std::size_t device, std::string_view line) {
  if (!debugTrace_) return;
  nlohmann::ordered_json object = event("debug", device);
  object["text"] = line;
  emit(object);
}

void JsonOutput::exchangeFailed(std::size_t device, std::string_view reason) {
  nlohmann::ordered_json object = event("exchange-failed", device);
  object["reason"] = reason;
  emit(object);
}

void JsonOutput::finished(std::size_t device, const DeviceResult& result) {
  nlohmann::ordered_json object = event("result", device);
  object["ok"] = result.ok;
  object["bytes"] = result.bytes;
  object["total"] = result.total;
  object["seconds"] = std::chrono::duration<double>(result.elapsed).count();
  emit(object);
}

void JsonOutput::summarized(const std::vector<DeviceResult>& results) {
  unsigned passed = 0;
  for (const DeviceResult& r : results) passed += r.ok ? 1 : 0;
  emit({{"event", "summary"},
                       {"devices", results.size()},
                       {"passed", passed},
                       {"failed", results.size() - passed}});
}

}  // namespace zentho::cli
