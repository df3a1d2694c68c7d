// The demo on the offscreen rig: start-up in the data folder, the virtual
// clock set to a demo time, and one frame drawn.
#include "demo/offscreen_demo.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>

#include "demo/demo.h"
#include "platform/gl.h"

bool StartDemoOffscreen(const char* dataDir) {
  char previous[PATH_MAX];
  bool moved = false;
  if (dataDir && getcwd(previous, sizeof previous) && chdir(dataDir) == 0) moved = true;
  ClearRigEndStatus();
  LoadDemo(OffscreenWidth(), OffscreenHeight());
  if (moved && chdir(previous) != 0) std::perror("chdir");
  if (RigEndStatus() >= 0) return false;
  ResizeProjection(OffscreenWidth(), OffscreenHeight());  // the window's first appearance
  return true;
}

void SetRigDemoTime(double d) {
  // Look for a tick count that the driver's own formula turns into exactly d;
  // one almost always lies within a few units in the last place of d / rate.
  auto exact = [d](double ms) { return (ms - StartTime) * kDemoUnitsPerMs == d; };
  const double ms = StartTime + d / kDemoUnitsPerMs;
  SetRigTicks(ms);
  if (exact(ms)) return;
  double below = ms, above = ms;
  for (int step = 0; step < 64; ++step) {
    below = std::nextafter(below, -HUGE_VAL);
    above = std::nextafter(above, HUGE_VAL);
    if (exact(below)) {
      SetRigTicks(below);
      return;
    }
    if (exact(above)) {
      SetRigTicks(above);
      return;
    }
  }
}

bool RenderFrameAt(double d, float level) {
  SetRigDemoTime(d);
  SetRigLevel(level);
  ClearRigEndStatus();
  DrawFrame();
  if (RigEndStatus() >= 0) {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    return false;
  }
  return true;
}
