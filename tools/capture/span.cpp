// The frames a capture renders: its default size, its span and the
// segments of that span.
#include <algorithm>
#include <cmath>

#include "capture/capture.h"
#include "demo/demo.h"

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
