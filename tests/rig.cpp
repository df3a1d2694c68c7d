#include "rig.h"

#include <cstdio>

namespace {
bool opened = false;
bool loaded = false;
}  // namespace

bool EnsureDemoLoaded() {
  if (!opened) {
    std::string why;
    opened = OpenDemoOffscreen(kRigWidth, kRigHeight, &why);
    if (!opened) {
      ADD_FAILURE() << "offscreen rig: " << why;
      return false;
    }
  }
  if (!loaded) {
    loaded = StartDemoOffscreen(KELVANE_DATA_DIR);
    if (!loaded) ADD_FAILURE() << "LoadDemo ended the process on the rig";
  }
  return loaded;
}

TRgb PixelAt(const std::vector<uint8_t>& rgb, int x, int y, int width) {
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return TRgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::vector<uint8_t> RenderAt(double d, float level) {
  DrawFrameAt(d, level);
  return ReadFramePixels();
}

uint64_t Brightness(const std::vector<uint8_t>& rgb) {
  uint64_t sum = 0;
  for (uint8_t v : rgb) sum += v;
  return sum;
}
