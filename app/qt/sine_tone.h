// The samples of one tone: a sine wave with short fades so that it starts and stops
// without a click.
#pragma once

#include <cstdint>
#include <vector>

namespace zentho::qt {

inline constexpr unsigned kToneSampleRate = 48000;

// Mono signed 16-bit samples of `frequencyHz` lasting `durationMs` at `sampleRate`.
std::vector<std::int16_t> SineTone(unsigned frequencyHz, unsigned durationMs,
                                   unsigned sampleRate = kToneSampleRate);

}  // namespace zentho::qt
