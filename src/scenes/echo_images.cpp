// Ten faint copies of one picture: the camera pulls back from it, then the
// copies drift apart sideways and fade, smearing the picture into echoes.
#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const int kEchoCopies = 10;
const double kEchoTimeScale = 0.4;  // local time runs 0 to 32
const double kPullBackEnd = 15.0;   // local time at which the eye stops
const double kSpreadRate = 0.01;    // spread per unit of local time

void DrawEchoes(int slot, const TWindow& window) {
  if (!InWindow(window, DemoTime)) return;
  const double t = (DemoTime - window.start) * kEchoTimeScale;

  // At t = 0 the eye sits on the centre; GLU then builds a degenerate view
  // and that single instant shows nothing.
  const double eyeZ = t < kPullBackEnd ? 0.1 * t : 1.5;
  BeginCardScene(slot, GL_SRC_ALPHA, GL_ONE, eyeZ);

  const double b = t <= kPullBackEnd ? 0.0 : (t - kPullBackEnd) * kSpreadRate;
  glScalef(1, 0.5f, 0);
  // While b = 0 the ten alphas add up to exactly one picture.
  const double alpha = (1.0 / (33.0 * b + 1.0)) / 10.0;
  for (int i = 0; i < kEchoCopies; ++i) {
    glColor4f(1, 1, 1, static_cast<float>(alpha));
    glPushMatrix();
    // Five copies to the right, one in place, four to the left.
    glTranslatef(static_cast<float>((5 - i) * b), 0, 0);
    DrawUnitCard();
    glPopMatrix();
  }
  glPopMatrix();
}

}  // namespace

void EchoImage1() { DrawEchoes(kSlotEchoSun, kEchoImage1Window); }
void EchoImage2() { DrawEchoes(kSlotEchoPlanet, kEchoImage2Window); }
