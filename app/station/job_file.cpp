// Job files in JSON.
#include "app/station/job_file.h"

#include <filesystem>
#include <limits>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "app/cli/hex_id.h"

namespace zentho::cli {
namespace {

constexpr const char* kFormat = "zentho-iap job 1";

bool IsDigest(const std::string& text) {
  return text.size() == 64 &&
         text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

std::string JobJson(const StationJob& job) {
  nlohmann::ordered_json slots = nlohmann::ordered_json::array();
  for (const auto& [port, label] : job.slots.ports) slots.push_back({{"port", port}, {"label", label}});
  const nlohmann::ordered_json object = {
      {"format", kFormat},
      {"job", job.name},
      {"lot", job.lot},
      {"mode", ModeName(job.mode)},
      {"image", job.image},
      {"size", job.size},
      {"sha256", job.sha256},
      {"vid", FormatHexId(job.ids.vendorId)},
      {"pid", FormatHexId(job.ids.productId)},
      {"count", job.count},
      {"quarantineAfter", job.quarantineAfter},
      {"slots", slots},
  };
  return object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::optional<StationJob> ParseJob(const std::string& text, std::string& error) {
  const nlohmann::json object = nlohmann::json::parse(text, nullptr, false);
  if (!object.is_object()) {
    error = "not a job file (no JSON object)";
    return std::nullopt;
  }
  // Compared as JSON: a "format" that is not text is no job's, and throws nothing.
  if (const auto format = object.find("format"); format == object.end() || *format != kFormat) {
    error = std::string("not a job file (\"format\" is not \"") + kFormat + "\")";
    return std::nullopt;
  }
  auto text_of = [&](const char* name, std::string& into) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_string()) {
      error = std::string("\"") + name + "\" is missing or not text";
      return false;
    }
    into = it->get<std::string>();
    return true;
  };
  auto number_of = [&](const char* name, auto& into) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_number_unsigned() ||
        it->get<std::uint64_t>() > std::numeric_limits<std::remove_reference_t<decltype(into)>>::max()) {
      error = std::string("\"") + name + "\" is missing or not a count";
      return false;
    }
    into = it->get<std::remove_reference_t<decltype(into)>>();
    return true;
  };
  StationJob job;
  std::string mode;
  std::string vid;
  std::string pid;
  if (!text_of("job", job.name) || !text_of("lot", job.lot) || !text_of("mode", mode) ||
      !text_of("image", job.image) || !text_of("sha256", job.sha256) || !text_of("vid", vid) ||
      !text_of("pid", pid) || !number_of("size", job.size) || !number_of("count", job.count) ||
      !number_of("quarantineAfter", job.quarantineAfter)) {
    return std::nullopt;
  }
  const std::optional<DownloadMode> parsed = ParseDownloadMode(mode);
  if (!parsed) {
    error = "\"mode\" is not kvm, bootloader or config";
    return std::nullopt;
  }
  job.mode = *parsed;
  if (!IsDigest(job.sha256)) {
    error = "\"sha256\" is not 64 lowercase hex digits";
    return std::nullopt;
  }
  const std::optional<std::uint16_t> vendor = ParseStrictHexId(vid);
  const std::optional<std::uint16_t> product = ParseStrictHexId(pid);
  if (!vendor || !product) {
    error = "\"vid\" or \"pid\" is not a hex ID";
    return std::nullopt;
  }
  job.ids = {*vendor, *product};
  if (job.image.empty()) {
    error = "\"image\" is empty";
    return std::nullopt;
  }
  const auto slots = object.find("slots");
  if (slots == object.end() || !slots->is_array()) {
    error = "\"slots\" is missing or not a list";
    return std::nullopt;
  }
  std::size_t number = 0;
  for (const nlohmann::json& slot : *slots) {
    ++number;
    if (!slot.is_object() || !slot.value("port", nlohmann::json()).is_string() ||
        !slot.value("label", nlohmann::json()).is_string()) {
      error = "a slot is not {\"port\": TEXT, \"label\": TEXT}";
      return std::nullopt;
    }
    if (const std::optional<std::string> problem =
            AddSlot(job.slots, slot["port"].get<std::string>(), slot["label"].get<std::string>())) {
      error = "\"slots\": slot " + std::to_string(number) + ": " + *problem;
      return std::nullopt;
    }
  }
  return job;
}

std::string ImagePathInJob(const std::string& imagePath, const std::string& jobPath) {
  namespace fs = std::filesystem;
  std::error_code failed;
  const fs::path image = fs::absolute(imagePath, failed);
  const fs::path folder = fs::absolute(jobPath, failed).parent_path();
  if (failed) return fs::path(imagePath).generic_string();
  return image.lexically_proximate(folder).generic_string();
}

std::string ImagePathFromJob(const StationJob& job, const std::string& jobPath) {
  namespace fs = std::filesystem;
  const fs::path image(job.image);
  if (image.is_absolute()) return image.string();
  return (fs::path(jobPath).parent_path() / image).lexically_normal().string();
}

}  // namespace zentho::cli
