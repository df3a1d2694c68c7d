#include "shell/level_meter.h"

#include <cmath>
#include <cstdlib>

float PeakLevel(const int16_t* samples, size_t count) {
  int peak = 0;
  for (size_t i = 0; i < count; ++i) {
    int v = std::abs(static_cast<int>(samples[i]));
    if (v > peak) peak = v;
  }
  return static_cast<float>(peak) / 32768.0f;
}

float MusicLevelAt(const int16_t* pcm, size_t frames, double ms) {
  if (!pcm || !(ms >= 0.0)) return 0.0f;
  const double frame = std::floor(ms * kMusicRate / 1000.0);
  if (frame >= static_cast<double>(frames)) return 0.0f;
  const size_t start = static_cast<size_t>(frame) / kMeterBlockFrames * kMeterBlockFrames;
  size_t end = start + kMeterBlockFrames;
  if (end > frames) end = frames;
  return PeakLevel(pcm + start * kMusicChannels, (end - start) * kMusicChannels);
}
