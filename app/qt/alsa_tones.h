// Tones through ALSA's default playback device, blocking until played.
#pragma once

#include "app/window/window_services.h"

namespace zentho::qt {

class AlsaTones final : public window::TonePlayer {
 public:
  explicit AlsaTones(window::DebugTrace& trace);
  // Without a sound device: no tone and one debug-trace line; the caller goes on.
  void beep(unsigned frequencyHz, unsigned durationMs) override;

 private:
  window::DebugTrace& trace_;
};

}  // namespace zentho::qt
