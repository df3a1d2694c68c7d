// Fuzzes the level meter: any samples, any moment, a level from 0 to 1.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/audio/level_meter.h"

namespace {
void Require(bool condition) {
  if (!condition) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double)) return 0;
  double ms;
  std::memcpy(&ms, data, sizeof ms);
  std::vector<int16_t> pcm((size - sizeof ms) / 2);
  if (!pcm.empty()) std::memcpy(pcm.data(), data + sizeof ms, pcm.size() * 2);
  const float rms = RmsLevel(pcm.data(), pcm.size());
  Require(rms >= 0.0f && rms <= 1.0f);
  const float level = MusicLevelAt(pcm.empty() ? nullptr : pcm.data(), pcm.size() / 2, ms);
  Require(level >= 0.0f && level <= 1.0f);
  return 0;
}
