// The playhead on the capture's frame grid: the generator's draws replayed
// up to a moment, so that a seek shows the frame the capture draws there.
#include <algorithm>
#include <cmath>

#include "demo/demo.h"
#include "demo/frame_clock.h"
#include "demo/timeline.h"
#include "player/player.h"

namespace {

constexpr TFrameRate kReplayRate = {60, 1};

}  // namespace

void ReplayDrawsBefore(double d, uint32_t startState) {
  SetRandomState(startState);
  const int64_t first = d > 0.0 ? FirstFrameAt(d, kReplayRate) : 0;
  ReplayFrameDraws(0, first, kReplayRate);
}

double NearestFrameTime(double d) {
  const double half = FrameDemoTime(1, kReplayRate) / 2.0;
  return FrameDemoTime(FirstFrameAt(d - half, kReplayRate), kReplayRate);
}

double FirstFrameTimeFrom(double d) {
  return FrameDemoTime(FirstFrameAt(d, kReplayRate), kReplayRate);
}

double NextFrameTime(double d) {
  int64_t frame = FirstFrameAt(d < 0.0 ? 0.0 : d, kReplayRate);
  if (!(FrameDemoTime(frame, kReplayRate) > d)) ++frame;
  return FrameDemoTime(frame, kReplayRate);
}

double PreviousFrameTime(double d) {
  if (d <= 0.0) return 0.0;
  int64_t frame = FirstFrameAt(d, kReplayRate);
  if (FrameDemoTime(frame, kReplayRate) >= d) --frame;
  return frame > 0 ? FrameDemoTime(frame, kReplayRate) : 0.0;
}

double BarTimeAt(int x, int width) {
  if (width <= 0) return 0.0;
  return std::clamp((x + 0.5) / width, 0.0, 1.0) * kDemoEnd;
}

int BarPixelAt(double d, int width) {
  return static_cast<int>(std::clamp(d / kDemoEnd, 0.0, 1.0) * width);
}

const char* SceneTitleAt(double d) {
  const int row = SceneRowAt(d);
  return row < 0 ? "End" : kTimeline[row].title;
}
