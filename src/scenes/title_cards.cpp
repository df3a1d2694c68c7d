// The opening and closing logo cards: one additive card that glows up from
// black, holds, and dies away over 60 demo units.
#include <cmath>

#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

// t in demo units, 0 to 60. The brightness 3 sin(pi t / 60) runs up to 3 and
// reaches GL unclamped: GL's clamp to 1 gives the card its long plateau.
void DrawTitleCard(int slot, double t) {
  BeginCardScene(slot, GL_ONE, GL_ONE, 1.6);
  const double c = 3.0 * std::sin(3.141592 * t / 60.0);
  glColor3f(static_cast<float>(c), static_cast<float>(c), static_cast<float>(c));
  glPushMatrix();
  glScalef(4.5f, 4, 0);
  glScalef(0.253f, 0.253f, 0.3f);
  DrawUnitCard();
  glPopMatrix();
  glPopMatrix();
}

}  // namespace

// Any demo time up to 60 draws, however far below 0.
void OpeningTitle() {
  const double t = DemoTime;
  if (!InWindow(kOpeningTitleWindow, t)) return;
  DrawTitleCard(kSlotOpeningTitle, t);
}

void ClosingTitle() {
  if (!InWindow(kClosingTitleWindow, DemoTime)) return;
  const double t = DemoTime - kClosingTitleWindow.start;
  DrawTitleCard(kSlotClosingTitle, t);
}
