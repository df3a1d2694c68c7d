#include "demo/frame_clock.h"

#include <cmath>

#include "demo/demo.h"
#include "platform/audio/level_meter.h"

double FrameMs(int64_t frame, TFrameRate rate) {
  return static_cast<double>(frame * 1000 * rate.den) / static_cast<double>(rate.num);
}

double FrameDemoTime(int64_t frame, TFrameRate rate) {
  return FrameMs(frame, rate) * kDemoUnitsPerMs;
}

int64_t TimelineFrames(TFrameRate rate) {
  // Demo time is frame x den x 9.8 / num, so the last frame at or before the
  // end satisfies frame x den x 98 <= 13000 x num. The double the frame
  // driver computes may round across 1300 at an exact hit: follow it.
  const int64_t endUnits = static_cast<int64_t>(kDemoEnd);
  int64_t last = endUnits * 10 * rate.num / (98 * rate.den);
  while (last > 0 && FrameDemoTime(last, rate) > kDemoEnd) --last;
  while (FrameDemoTime(last + 1, rate) <= kDemoEnd) ++last;
  return last + 1;
}

int64_t FirstFrameAt(double d, TFrameRate rate) {
  if (!(d > 0.0)) return 0;
  int64_t frame =
      static_cast<int64_t>(std::ceil(d / kDemoUnitsPerMs / 1000.0 * static_cast<double>(rate.num) /
                                     static_cast<double>(rate.den)));
  while (frame > 0 && FrameDemoTime(frame - 1, rate) >= d) --frame;
  while (FrameDemoTime(frame, rate) < d) ++frame;
  return frame;
}

int64_t SampleAt(int64_t frame, TFrameRate rate) {
  return frame * rate.den * kMusicRate / rate.num;
}

void ReplayFrameDraws(int64_t from, int64_t to, TFrameRate rate) {
  for (int64_t frame = from; frame < to; ++frame) TakeFrameDraws(FrameDemoTime(frame, rate));
}
