// The frame driver: demo time from the clock, the music flash, the base
// state and view, the glitch window, every scene in timeline order, and the
// end of the demo.
#include <cmath>
#include <cstdint>

#include "demo/demo.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "scenes/scenes.h"

namespace {

const GLfloat kLightPosition[4] = {0, 0, -1, 0};  // directional, towards -z
const GLfloat kLightAmbient[4] = {1, 1, 1, 1};

// Timeline rows 1 to 15, in drawing order; later rows draw over earlier ones
// where windows overlap. Row 16 (SpriteRing) is called after these, under the
// driver's own window test.
void (*const kTimeline[])() = {
    OpeningTitle,   EchoImage1,    EchoImage2,  UnfoldImage,  PointTunnel,
    WavySlices,     ParticleMorph, TileGrid,    ColorSplit,   ModelShowcase,
    SettlingSlices, ModelShowcase, LensBubbles, ClosingTitle, PanBanner,
};

// Glitch: each frame strictly between 900 and 918 shows a random moment of
// the first 800 units, one draw from the shared generator. The view and the
// flash keep real time.
void PickGlitchMoment() {
  if (DemoTime > 900 && DemoTime < 918) {
    int r = RandomBelow(10000);
    DemoTime = r * 800 * 0.0001;
  }
}

}  // namespace

bool SpriteRingShows(double d) { return d > 752 && d < 910; }

void DrawFrame() {
  DemoTime = (Platform.TickCount() - StartTime) * kDemoUnitsPerMs;

  // Flash: a grey of twice the music level once that reaches 0.2, black
  // while the particles glow (strictly between 410 and 580).
  double level = 2.0 * Platform.ChannelLevel(0);
  if (!(level >= 0.2)) level = 0.0;
  if (DemoTime > 410 && DemoTime < 580) level = 0.0;
  glClearColor(static_cast<float>(level), static_cast<float>(level), static_cast<float>(level),
               0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glDisable(GL_FOG);
  glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kLightAmbient);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);

  // Base view: an orbit of radius 10 about the z axis.
  glPushMatrix();
  gluLookAt(10 * std::sin(0.1 * DemoTime), 10 * std::cos(0.1 * DemoTime), 0, 0, 0, 0, 0, 0, 1);
  glColor3f(1, 1, 1);
  glPolygonMode(GL_BACK, GL_FILL);
  glPolygonMode(GL_FRONT, GL_FILL);

  PickGlitchMoment();
  for (void (*scene)() : kTimeline) scene();
  if (SpriteRingShows(DemoTime)) SpriteRing();

  if (DemoTime > kDemoEnd) {
    Platform.EndProcess(0);
    return;
  }
  glPopMatrix();
  glFlush();
  Platform.PresentFrame();
}

void SkipFrame() {
  DemoTime = (Platform.TickCount() - StartTime) * kDemoUnitsPerMs;
  PickGlitchMoment();
  SkipParticleMorph();
}
