// Shared set-up for tests that render on the offscreen rig: one context per
// test binary, the demo loaded once from the generated asset pack.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/offscreen/offscreen_demo.h"

constexpr int kRigWidth = 320;
constexpr int kRigHeight = 240;

// Opens the rig (once) and runs LoadDemo on the asset pack (once). Fails the
// calling test when no context can be made.
bool EnsureDemoLoaded();

// RGB of the pixel at (x, y), y counted from the top, in the last frame read.
struct TRgb {
  int r, g, b;
};
TRgb PixelAt(const std::vector<uint8_t>& rgb, int x, int y, int width = kRigWidth);

// Renders one frame at demo time d with the given level and reads it back.
std::vector<uint8_t> RenderAt(double d, float level = 0.0f);

// Sum of all RGB bytes: 0 means a black frame.
uint64_t Brightness(const std::vector<uint8_t>& rgb);
