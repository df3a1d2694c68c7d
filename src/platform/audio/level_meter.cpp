#include "platform/audio/level_meter.h"

#include <cmath>

float RmsLevel(const int16_t* samples, size_t count) {
  if (count == 0) return 0.0f;
  // Exact in 64 bits: 2048 squares of at most 2^30 each.
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i) {
    const int64_t v = samples[i];
    sum += static_cast<uint64_t>(v * v);
  }
  const double mean = static_cast<double>(sum) / static_cast<double>(count);
  return static_cast<float>(std::sqrt(mean) / 32768.0);
}

float MusicLevelAt(const int16_t* pcm, size_t frames, double ms) {
  if (!pcm || !(ms >= 0.0)) return 0.0f;
  const double frame = std::floor(ms * kMusicRate / 1000.0);
  if (frame >= static_cast<double>(frames)) return 0.0f;
  const size_t start = static_cast<size_t>(frame) / kMeterBlockFrames * kMeterBlockFrames;
  size_t end = start + kMeterBlockFrames;
  if (end > frames) end = frames;
  return RmsLevel(pcm + start * kMusicChannels, (end - start) * kMusicChannels);
}
