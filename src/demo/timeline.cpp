#include "demo/timeline.h"

#include "scenes/scenes.h"

const TTimelineRow kTimeline[kTimelineRows] = {
    {"OpeningTitle", "Opening title", OpeningTitle, kOpeningTitleWindow},
    {"EchoImage1", "Echo images", EchoImage1, kEchoImage1Window},
    {"EchoImage2", "Second echo images", EchoImage2, kEchoImage2Window},
    {"UnfoldImage", "Unfolding picture", UnfoldImage, kUnfoldImageWindow},
    {"PointTunnel", "Point tunnel", PointTunnel, kPointTunnelWindow},
    {"WavySlices", "Wavy slices", WavySlices, kWavySlicesWindow},
    {"ParticleMorph", "Particle morph", ParticleMorph, kParticleMorphWindow},
    {"TileGrid", "Tile wall", TileGrid, kTileGridWindow},
    {"ColorSplit", "Colour split", ColorSplit, kColorSplitWindow},
    {"ModelShowcase", "Model showcase", ModelShowcase, kModelShowcaseWindow},
    {"SettlingSlices", "Settling slices", SettlingSlices, kSettlingSlicesWindow},
    {"ModelShowcase", "Model showcase", ModelShowcase, kModelShowcaseWindow},
    {"LensBubbles", "Lens bubbles", LensBubbles, kLensBubblesWindow},
    {"ClosingTitle", "Closing title", ClosingTitle, kClosingTitleWindow},
    {"PanBanner", "Panning banner", PanBanner, kPanBannerWindow},
    {"SpriteRing", "Sprite ring", SpriteRing, kSpriteRingWindow},
};

int ScenesDrawnAt(double d, int rows[kTimelineRows]) {
  int count = 0;
  for (int i = 0; i < kTimelineRows; ++i)
    if (InWindow(kTimeline[i].window, d)) rows[count++] = i;
  return count;
}

namespace {

double WindowStart(const TWindow& w) { return w.startEdge == TEdge::kUnbounded ? 0.0 : w.start; }

}  // namespace

int SceneRowAt(double d) {
  int rows[kTimelineRows];
  const int drawn = ScenesDrawnAt(d, rows);
  int best = -1;
  for (int i = 0; i < drawn; ++i)
    if (best < 0 || WindowStart(kTimeline[rows[i]].window) > WindowStart(kTimeline[best].window))
      best = rows[i];
  return best;
}

double PreviousSceneStart(double d) {
  double best = 0.0;
  for (const TTimelineRow& row : kTimeline) {
    const double start = WindowStart(row.window);
    if (start < d - 1.0 && start > best) best = start;
  }
  return best;
}

double NextSceneStart(double d) {
  double best = -1.0;
  for (const TTimelineRow& row : kTimeline) {
    const double start = WindowStart(row.window);
    if (start > d && (best < 0.0 || start < best)) best = start;
  }
  return best;
}
