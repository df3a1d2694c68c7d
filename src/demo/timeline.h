// The timeline: what the frame driver draws, and when. One row per scene
// call, in drawing order; later rows draw over earlier ones where windows
// overlap. Fifteen scenes make sixteen rows, because ModelShowcase is called
// twice a frame, before and after the settling strips. The capture's
// contact sheet shows one tile per row.
#pragma once

#include "scenes/windows.h"

struct TTimelineRow {
  const char* scene;  // the scene function's name
  const char* title;  // the scene as viewers read it ("Particle morph")
  void (*draw)();
  TWindow window;  // the scene's own window (scenes/windows.h)
};
constexpr int kTimelineRows = 16;
extern const TTimelineRow kTimeline[kTimelineRows];

// The rows drawn at demo time d (as the scenes see it), in drawing order:
// their indices go into rows, and the count is returned.
int ScenesDrawnAt(double d, int rows[kTimelineRows]);

// The scene a viewer sees at demo time d (the player's and the page's
// names and chapters): the row drawn at d whose window started last; -1
// after the last scene.
int SceneRowAt(double d);
// Where the previous and next scene keys go from d: the start of the latest
// scene window starting before d - 1 (0 at the start), and of the first
// starting after d (-1 when none does).
double PreviousSceneStart(double d);
double NextSceneStart(double d);

// The middle of a row's window (an unbounded start counts from 0): the demo
// time at which the contact sheet and the frame comparisons show the row.
constexpr double RowMiddle(const TTimelineRow& row) {
  return 0.5 * (row.window.start + row.window.end);
}

// One beat of the music: every scene boundary falls on one.
constexpr double kBeatUnits = 5.0;

// The background flashes, at a grey of twice the music level, once the
// level (the meter's RMS of the block playing, 0..1) reaches this: -20 dBFS.
constexpr float kFlashLevel = 0.1f;

// No flash while the particles glow: strictly inside their window.
constexpr TWindow kFlashlessWindow = {kParticleMorphWindow.start, kParticleMorphWindow.end,
                                      TEdge::kOpen, TEdge::kOpen};
// Glitch: each frame strictly inside this window shows a random moment of
// the first kGlitchSpan demo units; the view and the flash keep real time.
constexpr TWindow kGlitchWindow = {900, 918, TEdge::kOpen, TEdge::kOpen};
constexpr double kGlitchSpan = 800.0;
