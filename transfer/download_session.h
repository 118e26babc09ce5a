// One complete download of a firmware file or configuration image to the device.
#pragma once

#include <chrono>
#include <stop_token>
#include <string>

#include "transfer/clock.h"
#include "transfer/config_image.h"
#include "transfer/download_mode.h"
#include "transfer/report_protocol.h"
#include "transfer/session_sink.h"

namespace zentho {

inline constexpr int kHandshakeAttempts = 11;
inline constexpr int kBlockOffers = 4;
inline constexpr int kAckReadFailures = 4;
inline constexpr std::chrono::milliseconds kRecoveryPause{1000};

struct SessionSettings {
  // Longest wait for one block's acknowledgement while the device keeps answering.
  std::chrono::milliseconds ackTimeout{5000};
};

struct DownloadRequest {
  DownloadMode downloadMode = DownloadMode::KvmSystem;
  std::string filePath;
  SessionSettings settings;
};

// What the session works on and reports to. `stop` ends the session quietly: nothing
// more is sent or logged and the result is 0.
struct SessionContext {
  ReportChannel& channel;
  ConfigImage& configImage;
  SessionSink& sink;
  Clock& clock;
  std::stop_token stop;
};

// Returns 1 when the whole image was sent and acknowledged and the closing report was
// issued, 0 otherwise.
int RunDownloadSession(const DownloadRequest& request, SessionContext& context);

}  // namespace zentho
