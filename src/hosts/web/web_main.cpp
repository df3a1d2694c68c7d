// The web page's program: what the page calls, through the functions the
// build exports (CMakeLists.txt), and the frame loop on the audio clock.
//
// The page runs main once the pack is loaded, then one of two ways:
// - KelvanePlay on the viewer's click, after it decoded the music into
//   KelvaneMusicBuffer: start-up, the music and a frame per animation frame,
//   each drawn at the music's own clock;
// - KelvaneStill and KelvaneRenderAt, for the tests: start-up without music
//   at a fixed size, then any demo time drawn as the capture tool draws it.
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "demo/flashing.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"
#include "scenes/clock.h"

namespace {

// Written by the exported functions below, read by Frame.
struct TPageState {
  bool loaded = false;
  int width = kDesignedClientWidth, height = kDesignedClientHeight;
  double demoTime = 0.0;  // of the last frame drawn, demo units
};
TPageState page;

float MusicLevel(double ms) { return MusicLevelAt(WebMusicSamples(), WebMusicFrames(), ms); }

void Load() {
  if (page.loaded) return;
  page.loaded = true;
  LoadDemo(page.width, page.height);
  ResizeProjection(page.width, page.height);
}

bool Frame() {
  int width = 0, height = 0;
  if (FitWebCanvas(&width, &height)) ResizeProjection(width, height);
  page.demoTime = WebMusicMs() * kDemoUnitsPerMs;
  // Past the end DrawFrameAt tells the page through EndProcess and the loop
  // stops; the page then offers to play again.
  return DrawFrameAt(page.demoTime, FlashLevel(page.demoTime, MusicLevel));
}

}  // namespace

extern "C" {

int main() {
  if (!OpenWebCanvas()) {
    TellWebPage("no-webgl", 0);
    return 0;
  }
  Platform = TPlatform{WebTickCount,    WebInitSound,    WebLoadSample, WebPlaySample,
                       WebChannelLevel, WebPresentFrame, WebEndProcess};
  TellWebPage("ready", 0);
  return 0;
}

int16_t* KelvaneMusicBuffer(int frames) {
  return WebMusicBuffer(frames > 0 ? static_cast<size_t>(frames) : 0);
}

// Starts the demo from demo time 0 (again, after the end), reduced flashing
// when `reduced` is not 0.
void KelvanePlay(int reduced) {
  ReducedFlashing = reduced != 0;
  ResetRandom();
  int width = 0, height = 0;
  const bool resized = FitWebCanvas(&width, &height);
  if (resized) {
    page.width = width;
    page.height = height;
  }
  if (page.loaded) {
    // The window may have changed while the end card showed.
    if (resized) ResizeProjection(width, height);
    SeekWebMusic(0.0);
  } else {
    Load();
  }
  RunWebFrames(Frame);
}

// Plays on from demo time d (demo units).
void KelvaneSeek(double d) {
  SeekWebMusic(d / kDemoUnitsPerMs);
  RunWebFrames(Frame);
}

double KelvaneDemoTime() { return page.demoTime; }
int KelvaneReducedFlashing() { return ReducedFlashing ? 1 : 0; }

// Start-up at a fixed size of width x height pixels, without music.
void KelvaneStill(int width, int height) {
  SetWebCanvasSize(width, height);
  page.width = width;
  page.height = height;
  Load();
}

// Draws demo time d with the music at `level`, as `kelvane-capture --at d
// --level level` does: the generator from its start. 0 past the end.
int KelvaneRenderAt(double d, double level) {
  ResetRandom();
  return DrawFrameAt(d, static_cast<float>(level)) ? 1 : 0;
}

// The demo's length in seconds, from its end in demo units.
double KelvaneRunningSeconds() { return kDemoEnd / kDemoUnitsPerMs / 1000.0; }

int KelvaneRowCount() { return kTimelineRows; }
double KelvaneRowTime(int row) { return RowMiddle(kTimeline[row]); }
// A row's window: its start (`end` 0) or its end, in demo units.
double KelvaneRowBound(int row, int end) {
  return end ? kTimeline[row].window.end : kTimeline[row].window.start;
}
const char* KelvaneRowScene(int row) { return kTimeline[row].scene; }
double KelvaneLevelAt(double ms) { return MusicLevel(ms); }

}  // extern "C"
