// The frame driver: demo time from the clock, the music flash, the base
// state and view, the glitch window, the timeline's rows drawn at that time,
// and the end of the demo.
#include <cmath>
#include <cstdint>

#include "demo/demo.h"
#include "demo/flashing.h"
#include "demo/timeline.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"
#include "scenes/scenes.h"

namespace {

const GLfloat kLightPosition[4] = {0, 0, -1, 0};  // directional, towards -z
const GLfloat kLightAmbient[4] = {1, 1, 1, 1};

}  // namespace

void DrawFrame() {
  const double demoTime = (Platform.TickCount() - StartTime) * kDemoUnitsPerMs;
  DrawFrameAt(demoTime, Platform.ChannelLevel(0));
}

bool DrawFrameAt(double demoTime, float musicLevel) {
  DemoTime = demoTime;

  // Flash: a grey of twice the music level once that reaches kFlashLevel,
  // black while the particles glow.
  double level = 2.0 * musicLevel;
  if (!(musicLevel >= kFlashLevel)) level = 0.0;
  if (InWindow(kFlashlessWindow, DemoTime)) level = 0.0;
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

  DemoTime = TakeFrameDraws(DemoTime);
  int rows[kTimelineRows];
  const int drawn = ScenesDrawnAt(DemoTime, rows);
  for (int i = 0; i < drawn; ++i) kTimeline[rows[i]].draw();

  if (DemoTime > kDemoEnd) {
    Platform.EndProcess(0);
    // Reached only where ending returns (the offscreen rig): the base view
    // is put back, so the next frame starts on a clean stack.
    glPopMatrix();
    return false;
  }
  glPopMatrix();
  glFlush();
  Platform.PresentFrame();
  return true;
}

double TakeFrameDraws(double demoTime) {
  double shown = demoTime;
  if (InWindow(kGlitchWindow, demoTime)) {
    // The glitch: one draw picks the moment shown (taken under reduced
    // flashing too, which holds each moment for half a second instead).
    int r = RandomBelow(10000);
    shown = ReducedFlashing ? HeldGlitchMoment(demoTime) : r * kGlitchSpan * 0.0001;
  }
  TakeParticleJitter(shown);
  return shown;
}
