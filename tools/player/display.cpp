// The player's overlays. Sizes follow the drawable's height, so the text
// reads the same in a 675 x 525 window and fullscreen on a 4K screen.
#include "player/display.h"

#include <algorithm>
#include <cmath>

#include "demo/demo.h"
#include "demo/demo_time.h"
#include "demo/timeline.h"
#include "platform/sdl/player_osd.h"
#include "player/player.h"

namespace {

constexpr TOsdColor kWhite = 0xffffffff;
constexpr TOsdColor kGrey = 0xb0b0b0ff;
constexpr TOsdColor kAmber = 0xffcc66ff;  // the web page's warning colour, #fc6
constexpr TOsdColor kShade = 0x000000b0;
constexpr TOsdColor kTrack = 0x707070c0;

// The text's line height in pixels: 17 in the designed window.
int TextSize(int height) { return std::max(12, height / 31); }

}  // namespace

void DrawStartCard(int width, int height, bool reduced) {
  const int s = TextSize(height);
  BeginPlayerOsd(width, height);
  const int x = width / 2;
  int y = height / 2 - 4 * s;
  DrawOsdText("KELVANE", x, y, s * 5 / 2, kWhite, TOsdAlign::kCentre);
  y += s * 3;
  const std::string length = "A real-time demo with music \u00b7 " + FormatDemoTime(kDemoEnd);
  DrawOsdText(length.c_str(), x, y, s, kGrey, TOsdAlign::kCentre);
  y += s * 2;
  DrawOsdText(kCardWarning, x, y, s, kAmber, TOsdAlign::kCentre);
  y += s * 3 / 2;
  if (reduced) DrawOsdText("Reduced flashing on", x, y, s, kWhite, TOsdAlign::kCentre);
  y += s * 2;
  DrawOsdText(kCardKeys, x, y, s, kWhite, TOsdAlign::kCentre);
  EndPlayerOsd();
}

void DrawMessage(const std::string& text, int width, int height) {
  const int s = TextSize(height);
  BeginPlayerOsd(width, height);
  const int pad = s / 2;
  const int w = OsdTextWidth(text.c_str(), s);
  DrawOsdBox(pad, pad, w + 2 * pad, s + pad, kShade);
  DrawOsdText(text.c_str(), 2 * pad, pad + pad / 2, s, kWhite);
  EndPlayerOsd();
}

int TimelineBarTop(int width, int height) {
  (void)width;
  const int s = TextSize(height);
  return height - (2 * s + s);
}

void DrawTimelineBar(int width, int height, double d, int hoverX) {
  const int s = TextSize(height);
  const int top = TimelineBarTop(width, height);
  const int pad = s / 2;
  const int trackHeight = std::max(4, s / 3);
  const int trackTop = height - pad - trackHeight;
  const int played = BarPixelAt(d, width);
  BeginPlayerOsd(width, height);
  DrawOsdBox(0, top, width, height - top, kShade);
  DrawOsdBox(0, trackTop, width, trackHeight, kTrack);
  DrawOsdBox(0, trackTop, played, trackHeight, 0xffffffd0);
  // A mark at every scene's start (the model showcase's two rows share one).
  for (const TTimelineRow& row : kTimeline) {
    const double start = row.window.startEdge == TEdge::kUnbounded ? 0.0 : row.window.start;
    if (start <= 0.0) continue;
    DrawOsdBox(BarPixelAt(start, width) - 1, trackTop - pad / 2, 2, trackHeight + pad / 2, kAmber);
  }
  DrawOsdBox(played - 2, trackTop - pad, 4, trackHeight + 2 * pad / 2 + pad / 2, kWhite);
  const std::string time = FormatDemoTime(d) + " of " + FormatDemoTime(kDemoEnd);
  DrawOsdText(time.c_str(), pad, top + pad / 2, s, kWhite);
  DrawOsdText(SceneTitleAt(d), width - pad, top + pad / 2, s, kWhite, TOsdAlign::kRight);
  if (hoverX >= 0) {
    const double at = BarTimeAt(hoverX, width);
    const std::string name = std::string(SceneTitleAt(at)) + " \u00b7 " + FormatDemoTime(at);
    const int w = OsdTextWidth(name.c_str(), s) + 2 * pad;
    const int x = std::clamp(hoverX - w / 2, 0, std::max(0, width - w));
    DrawOsdBox(x, top - s - pad, w, s + pad / 2, kShade);
    DrawOsdText(name.c_str(), x + pad, top - s - pad / 2, s, kAmber);
    DrawOsdBox(hoverX, trackTop - pad, 1, trackHeight + pad, kAmber);
  }
  EndPlayerOsd();
}
