// Hashing the station's image: the file, and in config mode the image built from it.
#include "app/station/station_image.h"

#include "transfer/config_image.h"
#include "transfer/download_session.h"

namespace zentho::cli {

OsResult<StationImage> HashStationImage(const std::string& path, DownloadMode downloadMode,
                                        std::stop_token stop) {
  const OsResult<FileDigest> file = HashFile(path, stop);
  if (!file) return OsError{file.reason()};
  StationImage image{file.value(), file.value().digest};
  if (downloadMode == DownloadMode::SoftwareConfig) {
    // What goes out is the image built from the text, not the text.
    ConfigImage built{};
    const OsResult<unsigned> count = BuildConfigImageFromFile(path, built);
    if (!count) return OsError{count.reason()};
    Sha256 hash;
    hash.update(built);
    image.sent = hash.finish();
  }
  return image;
}

}  // namespace zentho::cli
