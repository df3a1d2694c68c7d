// The lens scene: two lens discs swinging and bouncing over the picture
// they magnify.
#include <cmath>

#include "assets/manifest.h"
#include "geometry/lens.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

// How each lens swings and bounces, and how it is squashed in y.
struct TLensMotion {
  double wa;  // side to side: a = sin(wa t) * 1.4
  double wb;  // bounce: b = |sin(wb t)| * 2.6 - 2
  float sy;
};
const TLensMotion kLenses[] = {
    {0.1, 0.3, 0.7f},
    {0.12, 0.34, 0.9f},
};

}  // namespace

void LensBubbles() {
  const double d = DemoTime;
  if (!InWindow(kLensBubblesWindow, d)) return;
  const double t = d - kLensBubblesWindow.start;

  BeginTexturedScene(kSlotLens, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 1.6);
  glColor4f(1, 1, 1, 1);

  // Backdrop: x in [-1.43, 1.43], y in [-1, 1].
  glPushMatrix();
  glScalef(1.43f, 1, 0);
  glTranslatef(0, 0, 0);
  DrawUnitCard();
  glPopMatrix();

  // Both lenses lie in z = 0; with the depth test on (and the default
  // GL_LESS) the second cannot overwrite the first where they overlap.
  for (const TLensMotion& lens : kLenses) {
    glPushMatrix();
    glScalef(0.4f, 0.4f, 0.1f);
    glEnable(GL_DEPTH_TEST);
    glNewList(kListLens, GL_COMPILE);
    const double a = std::sin(lens.wa * t) * 1.4;
    const double b = std::fabs(std::sin(lens.wb * t)) * 2.6 - 2.0;
    glTranslatef(static_cast<float>(a), static_cast<float>(b), 0);
    DrawLens(a * -0.24 + 0.5, b * 0.12 + 0.53);
    glEndList();
    glScalef(1, lens.sy, 1);
    glCallList(kListLens);
    glPopMatrix();
  }
  glPopMatrix();
}
