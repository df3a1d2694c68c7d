// The scene windows: the span of demo time in which each scene draws, in
// demo units (0 to 1300). Every bound is written here once; each scene tests
// its own window against it, and the demo's timeline (src/demo/timeline.h)
// lists the windows in drawing order.
#pragma once

// How a window treats its bound: a closed end includes it, an open end
// excludes it, an unbounded start reaches down for ever (the bound is only
// where the timeline starts counting).
enum class TEdge { kClosed, kOpen, kUnbounded };

struct TWindow {
  double start, end;  // demo units
  TEdge startEdge = TEdge::kClosed;
  TEdge endEdge = TEdge::kClosed;
};

// Whether demo time d lies in w.
constexpr bool InWindow(const TWindow& w, double d) {
  const bool afterStart = w.startEdge == TEdge::kUnbounded ? true
                          : w.startEdge == TEdge::kOpen    ? d > w.start
                                                           : !(d < w.start);
  const bool beforeEnd = w.endEdge == TEdge::kOpen ? d < w.end : !(d > w.end);
  return afterStart && beforeEnd;
}

constexpr TWindow kOpeningTitleWindow = {0, 60, TEdge::kUnbounded};
constexpr TWindow kEchoImage1Window = {60, 140};
constexpr TWindow kEchoImage2Window = {140, 220};
constexpr TWindow kUnfoldImageWindow = {220, 290};
constexpr TWindow kPointTunnelWindow = {290, 330};
constexpr TWindow kWavySlicesWindow = {330, 410};
constexpr TWindow kParticleMorphWindow = {410, 580};
constexpr TWindow kTileGridWindow = {580, 680};
constexpr TWindow kColorSplitWindow = {650, 760};
constexpr TWindow kModelShowcaseWindow = {760, 910};
constexpr TWindow kSettlingSlicesWindow = {910, 1100};
constexpr TWindow kLensBubblesWindow = {1100, 1200};
constexpr TWindow kClosingTitleWindow = {1200, 1260};
constexpr TWindow kPanBannerWindow = {300, 430};
// SpriteRing has no test of its own: the frame driver calls it only here.
constexpr TWindow kSpriteRingWindow = {752, 910, TEdge::kOpen, TEdge::kOpen};
