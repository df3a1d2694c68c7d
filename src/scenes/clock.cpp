#include "scenes/clock.h"

#include <cstdint>

double DemoTime = 0.0;

// The shared generator: a 31-bit linear congruential sequence, never seeded,
// so every run (and every capture) draws the same values.
namespace {
const uint32_t kRandomStart = 1;
uint32_t randomState = kRandomStart;
}  // namespace

int RandomBelow(int n) {
  if (n == 0) return 0;
  randomState = (randomState * 1103515245u + 12345u) & 0x7fffffffu;
  return static_cast<int>(randomState % static_cast<uint32_t>(n));
}

void ResetRandom() { randomState = kRandomStart; }

uint32_t RandomState() { return randomState; }

void SetRandomState(uint32_t state) { randomState = state; }
