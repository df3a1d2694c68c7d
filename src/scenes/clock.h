// The clock every scene reads and the one generator they draw from. The
// frame driver (src/demo) writes DemoTime; nothing below the scenes reads
// either.
#pragma once

#include <cstdint>

// Demo time in demo units (0 to 1300 over the run). Written by DrawFrame at
// the start of every frame and again inside the glitch window.
extern double DemoTime;

// 0 when n is 0, else the next value of the one process-wide generator
// (non-negative 31-bit values, never seeded) modulo n.
int RandomBelow(int n);
// Puts the shared generator back to its state at process start, so a capture
// or a test can replay the exact sequence a fresh run draws.
void ResetRandom();
// The generator's state, so a test can compare two runs' draws and the
// player can draw a paused frame again with the same draws.
uint32_t RandomState();
void SetRandomState(uint32_t state);
