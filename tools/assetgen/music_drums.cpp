// The drums and the accents: kick, snare, clap, hats, toms, the fills, the
// build's roll, the pick-up out of the glitch, and the impacts that flash
// the demo's background. The arranger (music_arrange.cpp) calls them beat
// by beat.
#include <cmath>

#include "assetgen/music.h"
#include "assetgen/music_arrange.h"
#include "assetgen/music_song.h"
#include "demo/timeline.h"

// The fill on the last beat of every fourth bar: which one, by the bar.
void PlayFill(const TSection& section, int beat, const TBuses& out) {
  const int bar = (beat - section.start) / 4;
  const int kind = (bar / 4 + section.start) % 3;
  for (int s = 0; s < 4; ++s) {
    const int at = BeatFrame(beat) + s * kStepFrames;
    const float u = 0.7f + 0.1f * s;
    if (kind == 0) {  // snare sixteenths, growing
      AddSnare(out.Drums(0.3f), at, Velocity(kSnareGain * 0.6f * u, at, 3, 0.1f), 0.05f);
    } else if (kind == 1) {  // two toms and a snare
      static const int kToms[4] = {52, 47, 0, 0};
      if (s < 2) AddTom(out.Drums(0.3f), at, kToms[s], kTomGain * u, s ? -0.4f : 0.4f);
      if (s == 3) AddSnare(out.Drums(0.3f), at, kSnareGain * 0.7f, 0.06f);
    } else if (s % 2 == 1) {  // off-beat snare and an open hat
      AddSnare(out.Drums(0.3f), at, kSnareGain * 0.65f, 0.05f);
      AddHat(out.Drums(), at, kHatGain * 1.3f, true, 0.35f);
    }
  }
}

namespace {
// The chord hit's hold before its release; a big moment's impact carries
// its own flash, so its hit is short.
constexpr int kHitFrames = kSongRate * 105 / 1000, kBigHitFrames = kSongRate * 6 / 100;
}  // namespace

// The accent: a crash and an impact on the bar, a lighter impact under a
// back beat or a half bar, and a heavier one, with a crash, at the song's
// big moments. The impacts go to their own bus, which no fader or duck
// moves: each accent flashes the demo's background by its own level.
void PlayAccent(const TBeat& b, const TBuses& out) {
  const bool big = b.accent == kBigAccent;
  const bool bar = big || b.section.accents == kOnBars || b.section.accents == kOnFirstBeat;
  if (bar) AddCrash(out.Drums(0.4f), BeatFrame(b.beat), kCrashGain * (big ? 1.6f : 1.2f));
  const float gain = big ? kBigImpactGain : kImpactGain * (bar ? 1.0f : 0.8f);
  AddImpact(out.Accents(), BeatFrame(b.beat), Velocity(gain, BeatFrame(b.beat), 14, 0.08f),
            big ? 0.02f : 0.03f);
  // The band's chord struck an octave up with it, its voicing turning bar
  // by bar, and held about as long as the flash, so that the flash lasts
  // without a louder blow.
  const int low = b.beat / 4 % 2 ? 1 : 2;  // bar by bar, the voicing turns
  for (int n = low; n < low + 3; ++n) {
    AddLead(out.Accents(), BeatFrame(b.beat), big ? kBigHitFrames : kHitFrames,
            b.chord.notes[n] + 12, kHitGain * (big ? 1.15f : 1.0f), 0.004f, 1.0f);
  }
}

// Kick, snare, clap, the build's roll and the toms of a tom fill.
void PlayDrums(const TBeat& b, const TStep& step, const TBuses& out) {
  const int s = step.s, grid = step.grid;
  const bool onBeat = s == 0;
  bool kick = b.Plays(kKick) && onBeat && !(b.Plays(kKickOutEnd) && b.toEnd <= 2);
  if (b.Plays(kKickOnce) && b.fromStart == 0 && onBeat) kick = true;
  const bool push = b.Plays(kKickPush) && step.barStep == 14 && !b.tomFill && !b.shortFill;
  if (kick) AddKick(out.Kick(), grid, Velocity(kKickGain, grid, 4, 0.04f));
  if (push) AddKick(out.Kick(), grid, Velocity(kKickGain * 0.7f, grid, 4, 0.04f));

  const bool backBeat = step.barStep == 4 || step.barStep == 12;
  const float backLift =
      b.accent && b.section.accents == kOnBackBeats && onBeat ? kBackBeatLift : 1.0f;
  if (!b.tomFill && !b.roll && !b.shortFill && b.Plays(kSnare) && backBeat) {
    AddSnare(out.Drums(0.5f), Loose(grid, 5, 1.5f), Velocity(kSnareGain * backLift, grid, 5, 0.06f),
             0.07f);
    if (backLift > 1.0f) AddClap(out.Drums(0.6f), grid, kClapGain * backLift);
  }
  if (!b.tomFill && b.Plays(kHalfSnare) && step.barStep == 8) {
    AddSnare(out.Drums(0.7f), grid, Velocity(kSnareGain, grid, 5, 0.06f), 0.09f);
  }
  if (b.Plays(kClap) && backBeat && !b.shortFill) {
    AddClap(out.Drums(0.6f), Loose(grid, 6, 2.0f), Velocity(kClapGain, grid, 6, 0.08f));
  }
  if (b.roll) {
    // Eighths, then sixteenths over the last 4 beats, growing from a
    // whisper by 32 dB.
    const double u = 1.0 - (b.toEnd - 1 + (4 - s) / 4.0) / 8.0;  // 0..1 through the roll
    if (b.toEnd <= 4 || s % 2 == 0) {
      AddSnare(out.Drums(0.3f), grid, static_cast<float>(kSnareGain * 0.16 * std::pow(40.0, u)),
               b.toEnd <= 4 ? 0.03f : 0.05f);
    }
  }
  if (b.tomFill) {
    static const int kToms[8] = {55, 55, 52, 52, 50, 48, 47, 45};
    const int k = (2 - b.toEnd) * 4 + s;
    AddTom(out.Drums(0.3f), grid, kToms[k], Velocity(kTomGain, grid, 7, 0.08f), 0.5f - 0.15f * k);
  }
}

// Hats: the second and fourth sixteenths of each beat swing late.
void PlayHats(const TBeat& b, const TStep& step, const TBuses& out) {
  if (b.tomFill || b.shortFill || (b.roll && b.toEnd <= 4)) return;
  const int s = step.s, grid = step.grid;
  const int swung = grid + (s % 2 ? kStepFrames / 6 : 0);
  const float hatPan = s % 2 ? 0.4f : -0.3f;
  const bool offBeat = s == 2;
  if (b.Plays(kOpenHats) && offBeat) {
    AddHat(out.Drums(0.2f), swung, Velocity(kHatGain * 1.2f, grid, 8, 0.1f), true, 0.3f);
  } else if (b.Plays(kHats16)) {
    const float accentHat = offBeat ? 1.0f : s % 2 ? 0.55f : 0.7f;
    AddHat(out.Drums(0.1f), Loose(swung, 9, 2.0f),
           Velocity(kHatGain * accentHat * (0.7f + 0.4f * b.bright), grid, 9, 0.15f), false,
           hatPan);
  } else if (b.Plays(kHats8) && offBeat) {
    AddHat(out.Drums(0.1f), swung, Velocity(kHatGain, grid, 9, 0.12f), false, hatPan);
  }
}

// A snare ruff from the moment the glitch lets go into the next beat,
// growing, over a short riser: the pick-up into the last chorus.
void PlayPickUp(const TSection& section, const TBuses& out) {
  const double from = kGlitchWindow.end / kBeatUnits, to = section.start + section.beats;
  const int hits = 4;
  for (int k = 0; k < hits; ++k) {
    const double beat = from + (to - from) * k / hits;
    AddSnare(out.Drums(0.4f), BeatFrame(beat), kSnareGain * (0.45f + 0.2f * k), 0.035f);
  }
  AddRiser(out.Music(0.0f, 0.3f), BeatFrame(from), BeatFrame(to) - BeatFrame(from),
           kRiserGain * 2.0f);
}
