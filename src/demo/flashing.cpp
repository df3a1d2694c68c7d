#include "demo/flashing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "demo/timeline.h"
#include "platform/audio/level_meter.h"

bool ReducedFlashing = false;

namespace {

constexpr double kBlockMs = 1000.0 * kMeterBlockFrames / kMusicRate;

bool NearGlitch(double demoTime) {
  return demoTime > kGlitchWindow.start - kUnitsPerSecond &&
         demoTime < kGlitchWindow.end + kUnitsPerSecond;
}

// A well-mixed 32-bit hash (the finaliser of MurmurHash3).
uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x85ebca6bu;
  x ^= x >> 13;
  x *= 0xc2b2ae35u;
  x ^= x >> 16;
  return x;
}

}  // namespace

float FlashLevel(double demoTime, TLevelAtMs levelAt) {
  if (!ReducedFlashing) return levelAt(demoTime / kDemoUnitsPerMs);
  if (NearGlitch(demoTime)) return 0.0f;
  const double slot = std::floor(demoTime / kFlashSlotUnits);
  const double fromMs = slot * kFlashSlotUnits / kDemoUnitsPerMs;
  const double toMs = (slot + 1) * kFlashSlotUnits / kDemoUnitsPerMs;
  float loudest = 0.0f;
  for (double ms = fromMs; ms < toMs; ms += kBlockMs) loudest = std::max(loudest, levelAt(ms));
  if (!(loudest >= kFlashLevel)) return 0.0f;
  return std::min(loudest, static_cast<float>(kReducedFlashGrey / 2.0));
}

double HeldGlitchMoment(double demoTime) {
  const double slot = std::floor((demoTime - kGlitchWindow.start) / kHeldGlitchUnits);
  const int r = static_cast<int>(Mix(static_cast<uint32_t>(slot) + 0x9e3779b9u) % 10000u);
  return r * kGlitchSpan * 0.0001;
}
