// Reduced flashing, for viewers who are sensitive to flashing light.
//
// The demo as designed (the bare `kelvane`) never turns it on. The player,
// the capture and the web page offer it, and all three go through the two
// functions here, so a video made with it shows what the player shows.
//
// Reduced:
// - the glitch holds each random moment for kHeldGlitchUnits (half a
//   second), so it shows at most two pictures a second instead of one a
//   frame;
// - the background flash is decided once per kFlashSlotUnits (a third of a
//   second): lit for the whole slot when any meter block in it reaches the
//   designed threshold, at a grey of at most kReducedFlashGrey. A flash can
//   only begin at the start of a slot after an unlit one, so there are at
//   most two onsets in any second;
// - there is no background flash from one second before the glitch to one
//   second after it, so the glitch's own picture changes stay the only ones.
#pragma once

#include "demo/demo.h"

// Off unless the player, the capture or the page turns it on before drawing.
// TakeFrameDraws reads it (the glitch), FlashLevel applies it (the flash).
extern bool ReducedFlashing;

constexpr double kUnitsPerSecond = 1000.0 * kDemoUnitsPerMs;  // 9.8
constexpr double kHeldGlitchUnits = kUnitsPerSecond / 2.0;
constexpr double kFlashSlotUnits = kUnitsPerSecond / 3.0;
constexpr double kReducedFlashGrey = 0.3;

// The music level at a moment, `ms` milliseconds after demo time 0.
using TLevelAtMs = float (*)(double ms);

// The music level to hand DrawFrameAt for the frame at demoTime: the meter's
// level at that moment as designed, or the reduced flash's level (so that
// DrawFrameAt's grey, twice the level, is at most kReducedFlashGrey).
float FlashLevel(double demoTime, TLevelAtMs levelAt);

// The moment the glitch shows at demoTime under reduced flashing: one of the
// first kGlitchSpan units, the same for every frame of a kHeldGlitchUnits
// slot, and a pure function of the slot, so a seek or a capture from any
// frame shows the same picture.
double HeldGlitchMoment(double demoTime);
