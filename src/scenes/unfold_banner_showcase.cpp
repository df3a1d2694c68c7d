// One picture on a single card, three ways: opening vertically from a line,
// crossed by a panning camera as a wide banner, and as a panning backdrop
// behind three spinning wireframe models.
#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const double kShowcaseTimeScale = 1.2;  // local time runs 0 to 180

// The panning camera: x = 2.5 - speed t, looking straight down -z from
// height z.
void PanCamera(double t, double speed, double z) {
  const double x = 2.5 - speed * t;
  gluLookAt(x, 0, z, x, 0, 0, 0, 1, 0);
}

// One wireframe model of the showcase. Rotation in degrees per unit of local
// time about axis; the display list is compiled at start-up.
struct TShowcaseModel {
  float x;  // translation along x, fitted model space
  float colour[3];
  float degreesPerT;
  float axis[3];
  unsigned list;
};
const int kShowcaseModels = 3;
const TShowcaseModel kModels[kShowcaseModels] = {
    {0.85f, {0, 1, 0}, 10, {0.3f, 1, 0}, kListDuck},
    {0.0f, {1, 0, 0}, 10, {-0.3f, 0, 1}, kListSphere},
    {-0.85f, {0, 0, 1}, 7, {-0.5f, 1, 1}, kListCube},
};

}  // namespace

void UnfoldImage() {
  if (!InWindow(kUnfoldImageWindow, DemoTime)) return;
  const double t = DemoTime - kUnfoldImageWindow.start;
  glPushMatrix();
  glLoadIdentity();
  SetCardState(kSlotUnfold);
  gluLookAt(0, 0, 2.3, 0, 0, 0, 0, 1, 0);
  glBlendFunc(GL_ONE, GL_ONE);
  // Height opens from a line at t = 0 to full (y in [-1, 1]) at t = 50.
  double h = 0.02 * t;
  if (h > 1.0) h = 1.0;
  glPushMatrix();
  glScalef(1.63f, static_cast<float>(h), 0);
  DrawUnitCard();
  glPopMatrix();
  glPopMatrix();
}

void PanBanner() {
  if (!InWindow(kPanBannerWindow, DemoTime)) return;
  const double t = DemoTime - kPanBannerWindow.start;
  glPushMatrix();
  glLoadIdentity();
  SetCardState(kSlotBanner);
  glBlendFunc(GL_ONE, GL_ONE);
  PanCamera(t, 0.04, 1.9);
  glPushMatrix();
  glScalef(4, 1, 0);
  glScalef(0.253f, 0.253f, 0.3f);
  DrawUnitCard();
  glPopMatrix();
  glPopMatrix();
}

// Called twice per frame (rows 10 and 12); both calls draw the same picture.
void ModelShowcase() {
  if (!InWindow(kModelShowcaseWindow, DemoTime)) return;
  const double t = (DemoTime - kModelShowcaseWindow.start) * kShowcaseTimeScale;
  glPushMatrix();
  glLoadIdentity();
  SetCardState(kSlotModelBackdrop);
  // The backdrop has no alpha channel and the colour's alpha is 1: it covers
  // whatever lies behind it.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  PanCamera(t, 0.03, 1.6);
  glPushMatrix();
  glScalef(1.43f, 1, 0);
  DrawUnitCard();
  glPopMatrix();

  // Unlit, untextured, unblended wireframes with no depth test: every edge
  // of every triangle shows.
  glColor3f(0, 1, 0);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  for (const TShowcaseModel& model : kModels) {
    glColor3fv(model.colour);
    glPushMatrix();
    if (model.x != 0.0f) glTranslatef(model.x, 0, 0);
    glScalef(0.23f, 0.23f, 0.1f);
    glPolygonMode(GL_FRONT, GL_LINE);
    glPolygonMode(GL_BACK, GL_LINE);
    glRotatef(static_cast<float>(model.degreesPerT * t), model.axis[0], model.axis[1],
              model.axis[2]);
    glCallList(model.list);
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_FILL);
    glPopMatrix();
  }
  glPopMatrix();
}
