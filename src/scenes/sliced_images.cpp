// A picture cut into 200 thin horizontal strips, each shifted sideways by its
// own amount: a sine wave running down the strips, or blocks of about sixteen
// strips scattered far apart and settling back into place.
//
// Each strip is 0.01 high but the strips are only 0.005 apart, so every
// point of the picture except the outermost half-strips is covered twice;
// under additive blending that overlap is part of the look.
#include <cmath>

#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const int kStripCount = 200;

const double kGlideEnd = 20.0;  // local time at which the ripple starts

// Strips below this never move (0 to 32).
const double kFixedStrips = 32.6666;

// Strip i (0 = lowest, carrying the texture's first rows) shifted sideways
// by dx: texture rows i/200 to (i + 1)/200 on a quad 0.01 high at height
// i/200 - 0.5.
void DrawStrip(int i, double dx) {
  const double bottom = static_cast<double>(i) / kStripCount;
  const double top = static_cast<double>(i + 1) / kStripCount;
  glPushMatrix();
  glTranslatef(static_cast<float>(dx), static_cast<float>(bottom - 0.5), 0);
  glScalef(1, 0.005f, 0);
  glBegin(GL_QUADS);
  glTexCoord2f(0, static_cast<float>(bottom));
  glVertex3f(-1, -1, 0);
  glTexCoord2f(1, static_cast<float>(bottom));
  glVertex3f(1, -1, 0);
  glTexCoord2f(1, static_cast<float>(top));
  glVertex3f(1, 1, 0);
  glTexCoord2f(0, static_cast<float>(top));
  glVertex3f(-1, 1, 0);
  glEnd();
  glPopMatrix();
}

}  // namespace

void WavySlices() {
  if (!InWindow(kWavySlicesWindow, DemoTime)) return;
  const double t = DemoTime - kWavySlicesWindow.start;
  // Glide in from 11.8 to 1.8 with the strips in place, then ripple at full
  // amplitude at once.
  const bool gliding = t < kGlideEnd;
  const double eyeZ = gliding ? 11.8 - 0.5 * t : 1.8;
  const double amplitude = gliding ? 0.0 : 0.3;
  BeginCardScene(kSlotWavyStrips, GL_ONE, GL_ONE, eyeZ);
  glScalef(1, 1.5f, 1);
  for (int i = 0; i < kStripCount; ++i) {
    // The phase takes demo time itself: crests run down about 13 strips per
    // demo unit.
    DrawStrip(i, amplitude * std::sin(0.3 * DemoTime + 0.023 * i));
  }
  glPopMatrix();
}

void SettlingSlices() {
  if (!InWindow(kSettlingSlicesWindow, DemoTime)) return;
  const double t = DemoTime - kSettlingSlicesWindow.start;
  BeginCardScene(kSlotSettlingStrips, GL_ONE, GL_ONE, 1.37);
  // Scatter 10 at t = 0, 1 at t = 30, about 0.172 at the window's end.
  const double amplitude = 10.0 / (0.3 * t + 1.0);
  glScalef(1.1f, 1.3f, 1);
  for (int i = 0; i < kStripCount; ++i) {
    // Block number, truncated towards zero: strips 0 to 6 give small
    // negative values and join block 0, which is why it is longer.
    const int k = static_cast<int>(0.060832 * i - 0.38426623);
    double dx = amplitude * std::sin(0.023 * (13 * k) + 0.3 * t);
    if (i < kFixedStrips) dx = 0.0;
    DrawStrip(i, dx);
  }
  glPopMatrix();
}
