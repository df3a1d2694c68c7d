// The web page's program: what the page calls, through the functions the
// build exports (cmake/web.cmake), and the frame loop on the audio clock.
//
// The page runs main once the pack is loaded, then:
// - KelvanePrepare at once: start-up at the canvas's size, while the page
//   decodes the music and hands it over with KelvaneMusicFromFloat, so that
//   the viewer's click only starts the music and the frames (KelvanePlay);
// - KelvanePause, KelvaneSeek and KelvaneSetReduced while it plays, for the
//   page's controls. A seek lands on a frame of the 60 fps grid and replays
//   the shared generator's draws of the frames before it, as the capture
//   does, so the frame after it is the capture's frame for that moment;
// - KelvaneStill and KelvaneRenderAt, for the tests: any demo time drawn as
//   the capture tool draws it, at a fixed size.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "demo/flashing.h"
#include "demo/frame_clock.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"
#include "scenes/clock.h"

namespace {

constexpr TFrameRate kSeekRate = {60, 1};

// Written by the exported functions below, read by Frame.
struct TPageState {
  bool loaded = false;
  bool paused = false;
  bool redraw = false;      // a paused frame to draw again (a seek, a resize)
  bool exact = false;       // the next frame shows demoTime itself, not the clock
  bool firstFrame = false;  // tell the page when the next frame is drawn
  double demoTime = 0.0;    // of the last frame drawn (or to draw), demo units
  uint32_t startState = 0;  // the generator after start-up
  uint32_t frameState = 0;  // the generator before the frame at demoTime
};
TPageState page;

float MusicLevel(double ms) { return MusicLevelAt(WebMusicSamples(), WebMusicFrames(), ms); }

void Load(int width, int height) {
  if (!page.loaded) {
    page.loaded = true;
    ResetRandom();
    LoadDemo(width, height);
    page.startState = RandomState();
  }
  ResizeProjection(width, height);
}

// The frame of the 60 fps grid nearest to demo time d, within the timeline.
int64_t NearestFrame(double d) {
  const double half = FrameDemoTime(1, kSeekRate) / 2.0;
  const int64_t frame = FirstFrameAt(std::max(0.0, d - half), kSeekRate);
  return std::min(frame, TimelineFrames(kSeekRate) - 1);
}

// Puts the playhead on that frame with the generator where a run from
// frame 0 has it there; the music follows when the frame is drawn.
void MoveTo(double d) {
  const int64_t frame = NearestFrame(d);
  SetRandomState(page.startState);
  ReplayFrameDraws(0, frame, kSeekRate);
  page.frameState = RandomState();
  page.demoTime = FrameDemoTime(frame, kSeekRate);
  page.exact = true;
  page.redraw = true;
}

bool Frame() {
  int width = 0, height = 0;
  if (FitWebCanvas(&width, &height)) {
    ResizeProjection(width, height);
    page.redraw = true;
  }
  if (page.paused || page.exact) {
    // Drawn with the draws the frame took the first time, so it never changes.
    if (!page.redraw) return true;
    SetRandomState(page.frameState);
    // The music (and with it the clock) goes on from the frame shown.
    if (page.exact) SeekWebMusic(page.demoTime / kDemoUnitsPerMs);
  } else {
    page.demoTime = WebMusicMs() * kDemoUnitsPerMs;
  }
  page.exact = false;
  page.redraw = false;
  // Past the end DrawFrameAt tells the page through EndProcess and the loop
  // stops; the page then offers to play again.
  const bool more = DrawFrameAt(page.demoTime, FlashLevel(page.demoTime, MusicLevel));
  if (page.firstFrame) {
    page.firstFrame = false;
    TellWebPage("first-frame", 0);
  }
  return more;
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

// Start-up at the canvas's size, before the viewer's click.
void KelvanePrepare() {
  int width = 0, height = 0;
  FitWebCanvas(&width, &height);
  WebCanvasSize(&width, &height);
  Load(width, height);
}

// The decoded music, one channel of 32-bit floats each (right may be left),
// as 16-bit stereo for the level meter, rounded as the native decoder does.
// The page writes the channels into memory it got from malloc.
void KelvaneMusicFromFloat(const float* left, const float* right, int frames) {
  int16_t* pcm = WebMusicBuffer(frames > 0 ? static_cast<size_t>(frames) : 0);
  const auto toInt16 = [](float x) {
    const double v = std::floor(static_cast<double>(x) * 32768.0 + 0.5);
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  };
  for (int i = 0; i < frames; ++i) {
    pcm[2 * i] = toInt16(left[i]);
    pcm[2 * i + 1] = toInt16(right[i]);
  }
}

// Starts the demo from demo time 0 (again, after the end), reduced flashing
// when `reduced` is not 0.
void KelvanePlay(int reduced) {
  ReducedFlashing = reduced != 0;
  KelvanePrepare();
  page.paused = false;
  page.firstFrame = true;
  MoveTo(0.0);
  RunWebFrames(Frame);
}

// Moves the playhead to demo time d (demo units), to the nearest frame of
// the 60 fps grid; playing or paused, as it was.
void KelvaneSeek(double d) {
  MoveTo(std::clamp(d, 0.0, kDemoEnd));
  RunWebFrames(Frame);
}

// Pauses (1) or resumes (0) the picture and the music together; the page
// suspends and resumes its AudioContext. A paused frame stays on its frame
// of the grid, drawn with the capture's draws.
void KelvanePause(int paused) {
  if ((paused != 0) == page.paused) return;
  page.paused = paused != 0;
  MoveTo(page.demoTime);
  RunWebFrames(Frame);
}

int KelvanePaused() { return page.paused ? 1 : 0; }

// Reduced flashing on (1) or off (0); a paused frame is drawn again.
void KelvaneSetReduced(int reduced) {
  ReducedFlashing = reduced != 0;
  page.redraw = true;
}

double KelvaneDemoTime() { return page.demoTime; }
int KelvaneReducedFlashing() { return ReducedFlashing ? 1 : 0; }

// Start-up at a fixed size of width x height pixels, without music; the
// projection follows the size every time.
void KelvaneStill(int width, int height) {
  SetWebCanvasSize(width, height);
  Load(width, height);
}

// Draws demo time d with the music at `level`, as `kelvane-capture --at d
// --level level` does: the generator as start-up left it. 0 past the end.
int KelvaneRenderAt(double d, double level) {
  SetRandomState(page.startState);
  return DrawFrameAt(d, static_cast<float>(level)) ? 1 : 0;
}

// The demo's length in seconds, from its end in demo units.
double KelvaneRunningSeconds() { return kDemoEnd / kDemoUnitsPerMs / 1000.0; }

int KelvaneRowCount() { return kTimelineRows; }
double KelvaneRowTime(int row) { return RowMiddle(kTimeline[row]); }
// A row's window: its start (`end` 0; 0 when unbounded) or its end, in demo
// units.
double KelvaneRowBound(int row, int end) {
  const TWindow& w = kTimeline[row].window;
  if (end) return w.end;
  return w.startEdge == TEdge::kUnbounded ? 0.0 : w.start;
}
const char* KelvaneRowScene(int row) { return kTimeline[row].scene; }
// The scene as viewers read it ("Particle morph").
const char* KelvaneRowTitle(int row) { return kTimeline[row].title; }
// The row a viewer sees at demo time d: of the rows drawn there, the one
// that started last; -1 where none is.
int KelvaneRowAt(double d) { return SceneRowAt(d); }
double KelvaneLevelAt(double ms) { return MusicLevel(ms); }

}  // extern "C"
