// One PCM stream per tone: open, write the samples, drain, close.
#include "app/qt/alsa_tones.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <string>

#include "app/qt/sine_tone.h"

namespace zentho::qt {
namespace {

// ALSA prints its own complaints to stderr; the trace line says all that matters.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
  void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

}  // namespace

AlsaTones::AlsaTones(window::DebugTrace& trace) : trace_(trace) {
  snd_lib_error_set_handler(&SilentAlsaErrors);
}

void AlsaTones::beep(unsigned frequencyHz, unsigned durationMs) {
  const auto fail = [&](const char* step, int error) {
    trace_.line("No tone of " + std::to_string(frequencyHz) + " Hz: " + step + ": " +
                snd_strerror(error) + "\n");
  };
  snd_pcm_t* opened = nullptr;
  if (const int error = snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, 0); error < 0) {
    fail("no sound device", error);
    return;
  }
  std::unique_ptr<snd_pcm_t, PcmCloser> pcm(opened);
  constexpr unsigned kLatencyUs = 50000;
  if (const int error = snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                                           1, kToneSampleRate, 1, kLatencyUs);
      error < 0) {
    fail("sound device refuses the format", error);
    return;
  }
  const std::vector<std::int16_t> samples = SineTone(frequencyHz, durationMs);
  std::size_t written = 0;
  while (written < samples.size()) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm.get(), samples.data() + written, samples.size() - written);
    if (n < 0) n = snd_pcm_recover(pcm.get(), static_cast<int>(n), 1);
    if (n < 0) {
      fail("playback", static_cast<int>(n));
      return;
    }
    written += static_cast<std::size_t>(n);
  }
  // Returns only when the tone has been heard, so tones in a row sound in turn.
  snd_pcm_drain(pcm.get());
}

}  // namespace zentho::qt
