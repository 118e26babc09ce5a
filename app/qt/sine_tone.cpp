// Sine samples with linear fades.
#include "app/qt/sine_tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zentho::qt {

std::vector<std::int16_t> SineTone(unsigned frequencyHz, unsigned durationMs,
                                   unsigned sampleRate) {
  const std::size_t count = std::size_t{sampleRate} * durationMs / 1000;
  const std::size_t fade = std::min<std::size_t>(sampleRate / 200, count / 4);  // 5 ms
  constexpr double kAmplitude = 0.5 * 32767;
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double phase = 2 * std::numbers::pi * frequencyHz * static_cast<double>(i) / sampleRate;
    double gain = 1.0;
    if (fade > 0 && i < fade) gain = static_cast<double>(i) / static_cast<double>(fade);
    if (fade > 0 && count - i <= fade) gain = static_cast<double>(count - i - 1) / static_cast<double>(fade);
    samples[i] = static_cast<std::int16_t>(std::lround(kAmplitude * gain * std::sin(phase)));
  }
  return samples;
}

}  // namespace zentho::qt
