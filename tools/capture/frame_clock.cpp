// The capture's clock: frame times, the frames of a span and the music under
// them. No GL here.
#include <algorithm>
#include <cmath>

#include "capture/capture.h"
#include "demo/demo.h"
#include "demo/form.h"
#include "platform/level_meter.h"

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

void DefaultSize(TVerb verb, int* width, int* height) {
  *width = kDesignedClientWidth;
  *height = kDesignedClientHeight;
  if (verb == TVerb::kVideo) {
    *width += *width % 2;
    *height += *height % 2;
  }
}

void FrameSpan(const TCaptureOptions& options, int64_t* first, int64_t* count) {
  const int64_t end = TimelineFrames(options.fps);
  *first = std::min(FirstFrameAt(options.from, options.fps), end);
  *count = end - *first;
  if (options.duration > 0.0) {
    // Frames shown during `duration` seconds from the first one.
    const double frames = options.duration * static_cast<double>(options.fps.num) /
                          static_cast<double>(options.fps.den);
    const int64_t wanted = static_cast<int64_t>(std::ceil(frames - 1e-9));
    *count = std::min(*count, std::max<int64_t>(wanted, 1));
  }
  if (options.segments > 0) SegmentSpan(options.segment, options.segments, first, count);
}

void SegmentSpan(int k, int n, int64_t* first, int64_t* count) {
  const int64_t from = *first + *count * (k - 1) / n;
  const int64_t to = *first + *count * k / n;
  *first = from;
  *count = to - from;
}
