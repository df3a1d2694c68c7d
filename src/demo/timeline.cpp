#include "demo/timeline.h"

#include "scenes/scenes.h"

const TTimelineRow kTimeline[kTimelineRows] = {
    {"OpeningTitle", OpeningTitle, kOpeningTitleWindow},
    {"EchoImage1", EchoImage1, kEchoImage1Window},
    {"EchoImage2", EchoImage2, kEchoImage2Window},
    {"UnfoldImage", UnfoldImage, kUnfoldImageWindow},
    {"PointTunnel", PointTunnel, kPointTunnelWindow},
    {"WavySlices", WavySlices, kWavySlicesWindow},
    {"ParticleMorph", ParticleMorph, kParticleMorphWindow},
    {"TileGrid", TileGrid, kTileGridWindow},
    {"ColorSplit", ColorSplit, kColorSplitWindow},
    {"ModelShowcase", ModelShowcase, kModelShowcaseWindow},
    {"SettlingSlices", SettlingSlices, kSettlingSlicesWindow},
    {"ModelShowcase", ModelShowcase, kModelShowcaseWindow},
    {"LensBubbles", LensBubbles, kLensBubblesWindow},
    {"ClosingTitle", ClosingTitle, kClosingTitleWindow},
    {"PanBanner", PanBanner, kPanBannerWindow},
    {"SpriteRing", SpriteRing, kSpriteRingWindow},
};

int ScenesDrawnAt(double d, int rows[kTimelineRows]) {
  int count = 0;
  for (int i = 0; i < kTimelineRows; ++i)
    if (InWindow(kTimeline[i].window, d)) rows[count++] = i;
  return count;
}
