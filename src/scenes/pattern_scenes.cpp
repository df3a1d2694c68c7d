// Patterns of one simple element placed by formula: a tube of coloured
// points flown through, a turning wall of blocky tiles, and a ring of seven
// alpha-cut sprites.
#include <cmath>

#include "assets/manifest.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const int kTunnelRings = 100;  // one unit apart along +z, z = 0 to 99
const int kPointsPerRing = 50;
const double kTunnelRadius = 5.0;

const int kTilesPerSide = 10;

const int kSprites = 7;

void SetTileFilter(GLint filter) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

}  // namespace

void PointTunnel() {
  if (!InWindow(kPointTunnelWindow, DemoTime)) return;
  const double t = DemoTime - kPointTunnelWindow.start;
  // No other scene draws points, so the size is never set back.
  glPointSize(2);
  glPushMatrix();
  glLoadIdentity();
  // Flying down +z at one unit per demo unit.
  gluLookAt(0, 0, t, 0, 0, 500, 0, 1, 0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);
  glRotatef(static_cast<float>(DemoTime), 0, 0, 1);  // demo time itself, degrees
  glBegin(GL_POINTS);
  for (int i = 0; i < kTunnelRings; ++i) {
    for (int j = 0; j < kPointsPerRing; ++j) {
      glColor3f(static_cast<float>(0.5 + 0.5 * std::sin(0.08 * i)),
                static_cast<float>(0.5 + 0.5 * std::cos(0.14 * i)),
                static_cast<float>(0.5 + 0.5 * std::sin(0.21 * i)));
      const double a = j * 6.28318 / kPointsPerRing;
      glVertex3f(static_cast<float>(kTunnelRadius * std::sin(a)),
                 static_cast<float>(kTunnelRadius * std::cos(a)), static_cast<float>(i));
    }
  }
  glEnd();
  glPopMatrix();
}

void TileGrid() {
  if (!InWindow(kTileGridWindow, DemoTime)) return;
  const double t = DemoTime - kTileGridWindow.start;
  glPushMatrix();
  glLoadIdentity();
  SetCardState(kSlotTileWall);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Blocky magnification only for this scene; set back below.
  SetTileFilter(GL_NEAREST);
  // The eye swings between 0.15 and 5.85 from the wall.
  gluLookAt(0, 0, 3 + 2.85 * std::sin(0.12 * t), 0, 0, 0, 0, 1, 0);
  glRotatef(static_cast<float>(8 * DemoTime), 0, 0, 1);  // demo time itself
  // Tile centres at -10, -8, ..., 8: the wall covers [-11, 9] on both axes
  // and turns about the centre of tile (5, 5).
  for (int i = 0; i < kTilesPerSide; ++i) {
    for (int j = 0; j < kTilesPerSide; ++j) {
      glPushMatrix();
      glTranslatef(static_cast<float>(2 * (i - 5)), static_cast<float>(2 * (j - 5)), 0);
      DrawUnitCard();
      glPopMatrix();
    }
  }
  glPopMatrix();
  SetTileFilter(GL_LINEAR);  // the filters every texture is loaded with
}

// No window test: the frame driver calls it only while 752 < D < 910.
void SpriteRing() {
  glPushMatrix();
  glLoadIdentity();
  gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
  SetCardState(kSlotSpriteRing);
  // The picture's own alpha channel cuts its shape out.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // A circle of radius 1.5, sprites one radian apart, turning 0.06 radians
  // per demo unit; each swings about its centre up to 360 degrees either way.
  for (int i = 0; i < kSprites; ++i) {
    glPushMatrix();
    glTranslatef(static_cast<float>(1.5 * std::sin(0.06 * DemoTime + i)),
                 static_cast<float>(1.5 * std::cos(0.06 * DemoTime + i)), 0);
    glRotatef(static_cast<float>(360 * std::sin(0.1 * DemoTime + 0.67 * i)), 0, 0, 1);
    DrawUnitCard();
    glPopMatrix();
  }
  glPopMatrix();
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}
