// The colour split: one picture drawn three times, tinted red, green and
// blue and added together, the layers turning and drifting against each
// other. The layers' rotations and offsets stay on the matrix and add up:
// red and green turn together, and blue's own turn cancels red's, so blue
// only shifts.
#include <cmath>

#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const int kLayers = 3;
const float kLayerColours[kLayers][3] = {
    {0.83f, 0, 0},
    {0, 0.83f, 0},
    {0, 0, 0.83f},
};

}  // namespace

void ColorSplit() {
  const double d = DemoTime;
  if (!InWindow(kColorSplitWindow, d)) return;
  const double t = (d - kColorSplitWindow.start) * 1.0;

  BeginTexturedScene(kSlotColorSplit, GL_ONE, GL_ONE, 0.65);

  for (int i = 0; i < kLayers; ++i) {
    // Degrees: -0.987 t, 0, +0.987 t.
    glRotatef(static_cast<float>((i - 1) * 0.987 * t), 0, 0, 1);
    double dx = 0.16 * std::sin(0.12 * t * i);
    double dy = 0.16 * std::cos(0.12 * t * i);
    if (i == 2) {
      dx = -dx;
      dy = -dy;
    }
    glTranslatef(static_cast<float>(dx), static_cast<float>(dy), 0);
    glColor3f(kLayerColours[i][0], kLayerColours[i][1], kLayerColours[i][2]);
    glPushMatrix();
    DrawUnitCard();
    glPopMatrix();
  }
  glPopMatrix();

  // Restates the filters the picture was loaded with.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
