// The tone generator's samples, and tones without a sound device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/qt/alsa_tones.h"
#include "app/qt/sine_tone.h"

namespace zentho::qt {
namespace {

// Sign changes from below zero to zero or above: one per period.
unsigned RisingCrossings(const std::vector<std::int16_t>& samples) {
  unsigned crossings = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  }
  return crossings;
}

TEST(SineTone, LengthAndFrequencyOfEachTone) {
  struct Case {
    unsigned frequencyHz, durationMs;
  };
  for (const Case c : {Case{4000, 100}, Case{6000, 100}, Case{3500, 500}}) {
    const std::vector<std::int16_t> samples = SineTone(c.frequencyHz, c.durationMs);
    EXPECT_EQ(samples.size(), std::size_t{kToneSampleRate} * c.durationMs / 1000) << c.frequencyHz;
    const unsigned periods = c.frequencyHz * c.durationMs / 1000;
    const unsigned crossings = RisingCrossings(samples);
    // The fades flatten a few periods at either end to zero.
    EXPECT_LE(crossings, periods) << c.frequencyHz;
    EXPECT_GE(crossings, periods - periods / 10) << c.frequencyHz;
  }
}

TEST(SineTone, StartsAndEndsSilentAtHalfScale) {
  const std::vector<std::int16_t> samples = SineTone(1000, 100);
  EXPECT_EQ(samples.front(), 0);
  EXPECT_EQ(samples.back(), 0);
  const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
  EXPECT_NEAR(*high, 16384, 20);
  EXPECT_NEAR(*low, -16384, 20);
}

class NoTrace final : public window::DebugTrace {
 public:
  void line(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

TEST(AlsaTones, NoSoundDeviceGivesOneTraceLinePerTone) {
  // An ALSA configuration that defines no device at all.
  const std::string config = testing::TempDir() + "zentho-empty-alsa.conf";
  std::ofstream(config) << "# no devices\n";
  ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
  NoTrace trace;
  AlsaTones tones(trace);
  tones.beep(4000, 100);
  tones.beep(6000, 100);
  ASSERT_EQ(trace.lines.size(), 2U);
  EXPECT_EQ(trace.lines[0].rfind("No tone of 4000 Hz: no sound device: ", 0), 0U) << trace.lines[0];
  EXPECT_EQ(trace.lines[1].rfind("No tone of 6000 Hz: no sound device: ", 0), 0U) << trace.lines[1];
  EXPECT_EQ(trace.lines[0].back(), '\n');
}

}  // namespace
}  // namespace zentho::qt
