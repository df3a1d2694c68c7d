// The arranger: walks the score (music_score.cpp) section by section and
// beat by beat, hands each beat to the players of the parts
// (music_drums.cpp, music_pitched.cpp), and shapes the mix section by
// section: faders, width, the glitch's stutter and the fade.
//
// Every part plays with some life: velocities and timing vary a little from
// hit to hit (a fixed hash of the hit's time, so the bytes never change),
// the sixteenth hats swing, a fill closes every fourth bar, and filters open
// through each section.
#include "assetgen/music_arrange.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "assetgen/music.h"
#include "assetgen/music_song.h"
#include "demo/demo.h"
#include "demo/timeline.h"

namespace {

// A fixed hash of a hit's time and a voice: -1..1, the same on every run.
float Wobble(int at, uint32_t voice) {
  uint32_t h = static_cast<uint32_t>(at) * 0x9E3779B1u ^ voice * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return static_cast<float>(h & 0xFFFF) / 32767.5f - 1.0f;
}

}  // namespace

float Velocity(float gain, int at, uint32_t voice, float spread) {
  return gain * (1.0f + spread * Wobble(at, voice));
}

int Loose(int at, uint32_t voice, float ms) {
  return at + static_cast<int>(std::lrint(Wobble(at, voice + 101) * ms * 0.001f * kSongRate));
}

const TChord& ChordNamed(const char* name) {
  for (int c = 0; c < kChordCount; ++c) {
    if (SameName(kChords[c].name, name)) return kChords[c];
  }
  return kChords[0];  // not reached: the score checks every name it uses
}

// The chord under a beat of a section, and the beat where that chord began.
const TChord& ChordAt(const TSection& section, int beat, int* chordStart, int* chordBeats) {
  const TProgression& p = *section.chords;
  int at = section.start, index = 0;
  while (at + p.chords[index].beats <= beat) {
    at += p.chords[index].beats;
    index = (index + 1) % ProgressionLength(p);
  }
  *chordStart = at;
  *chordBeats = p.chords[index].beats;
  return ChordNamed(p.chords[index].chord);
}

// How far the section's filters are open at a beat, 0..1.
float BrightAt(const TSection& section, double beat) {
  const double u = (beat - section.start) / section.beats;
  return static_cast<float>(section.brightFrom + (section.brightTo - section.brightFrom) * u);
}

namespace {

constexpr float kBigDip = 4.0f;  // dB

// Where the picture covers the whole background a flash cannot show, so no
// accent falls there but a big moment, which the music needs: the tile wall
// (with the colour split over it), the model showcase while its backdrop
// fills the frame, and the lens scene. Demo units.
constexpr TWindow kFlashHidden[] = {
    {kTileGridWindow.start, kTileGridWindow.end},
    {815, 845},
    {kLensBubblesWindow.start, kLensBubblesWindow.end, TEdge::kClosed, TEdge::kOpen},
};

// Whether a beat of a section is an accent, and how big. A build's roll
// carries no accent: it runs into the cut.
TAccentSize AccentAt(const TSection& section, int beat) {
  const int fromStart = beat - section.start;
  if ((section.parts & kBuild) && section.start + section.beats - beat <= 8) return kNoAccent;
  bool accent = false;
  switch (section.accents) {
    case kOnBars:
      accent = fromStart % 4 == 0;
      break;
    case kOnHalfBars:
      accent = fromStart % 2 == 0;
      break;
    case kOnBackBeats:
      accent = fromStart % 2 == 1;
      break;
    case kOnFirstBeat:
      accent = fromStart == 0;
      break;
    case kNoAccents:
      break;
  }
  if (!accent) return kNoAccent;
  const bool first = fromStart < (section.accents == kOnBackBeats ? 2 : 1);
  if (section.bigFirst && first) return kBigAccent;
  for (const TWindow& hidden : kFlashHidden) {
    if (InWindow(hidden, beat * kBeatUnits)) return kNoAccent;
  }
  return kAccent;
}

// Every part of one beat. The parts are added sixteenth by sixteenth in a
// fixed order, since the buses' float sums depend on it.
void PlayBeat(const TSection& section, int beat, const TBuses& out) {
  const int fromStart = beat - section.start;
  const int toEnd = section.start + section.beats - beat;
  int chordStart = 0, chordBeats = 0;
  const TChord& chord = ChordAt(section, beat, &chordStart, &chordBeats);
  const uint32_t parts = section.parts;
  const bool tomFill = (parts & kTomFill) && toEnd <= 2;
  const bool roll = (parts & kBuild) && toEnd <= 8;
  const TBeat b = {
      section,
      beat,
      fromStart,
      toEnd,
      chord,
      tomFill,
      roll,
      (parts & kFills) && !tomFill && !roll && fromStart % 16 == 15,
      AccentAt(section, beat),
      (parts & kFadeIn) ? 0.3f + 0.7f * fromStart / section.beats : 1.0f,
      BrightAt(section, beat),
  };
  if (b.shortFill) PlayFill(section, beat, out);
  if (b.accent) PlayAccent(b, out);
  for (int s = 0; s < 4; ++s) {
    const TStep step = {s, (fromStart % 4) * 4 + s, BeatFrame(beat) + s * kStepFrames};
    PlayDrums(b, step, out);
    PlayHats(b, step, out);
    PlayBass(b, step, out);
    PlayStabs(b, step, out);
    PlayArpeggio(b, step, out);
    PlayBubbles(b, step, out);
  }
}

void PlaySection(const TSection& section, const TBuses& out) {
  const uint32_t parts = section.parts;
  if ((parts & kCrash) && section.accents != kOnBars && section.accents != kOnFirstBeat) {
    AddCrash(out.Drums(0.4f), BeatFrame(section.start), kCrashGain);
  }
  PlayChords(section, out);
  PlayPhrases(section, out);
  for (int beat = section.start; beat < section.start + section.beats; ++beat) {
    PlayBeat(section, beat, out);
  }
  const int end = section.start + section.beats;
  if (parts & kRiserEnd) {
    AddRiser(out.Music(0.0f, 0.5f), BeatFrame(end - 4), 4 * kBeatFrames,
             kRiserGain * section.level);
  }
  if (parts & kBuild) {
    AddRiser(out.Music(0.0f, 0.5f), BeatFrame(end - 8), 8 * kBeatFrames, kRiserGain * 7.0f);
  }
  if (parts & kPickUp) PlayPickUp(section, out);
}

// The section's value for every frame, changing over the 30 ms before each
// section starts.
void SectionCurve(std::vector<float>* curve, float (*value)(const TSection&)) {
  curve->assign(kSongFrames, 0.0f);
  const int ramp = kSongRate * 3 / 100;
  float before = value(kSong.sections[0]);
  for (const TSection& section : kSong) {
    const float now = value(section);
    const int from = BeatFrame(section.start), to = BeatFrame(section.start + section.beats);
    for (int i = std::max(0, from - ramp); i < std::min(to, kSongFrames); ++i) {
      const float u = i < from ? static_cast<float>(i - (from - ramp)) / ramp : 1.0f;
      (*curve)[i] = before + (now - before) * u;
    }
    before = now;
  }
}

}  // namespace

void RenderSong(TSongBuses* buses) {
  TStereo echo, hall;
  ClearStereo(&echo);
  ClearStereo(&hall);
  const TBuses out = {buses, &echo, &hall};
  for (const TSection& section : kSong) PlaySection(section, out);
  AddEcho(echo, &buses->music, 3 * kStepFrames, 0.45f, 0.4f);
  AddHall(hall, &buses->music, kSongRate * 28 / 1000, 0.9f);
}

std::vector<int> SongAccents() {
  std::vector<int> accents;
  for (const TSection& section : kSong) {
    for (int beat = section.start; beat < section.start + section.beats; ++beat) {
      if (AccentAt(section, beat) != kNoAccent) accents.push_back(BeatFrame(beat));
    }
  }
  return accents;
}

void ShapeSong(TStereo* mix) {
  std::vector<float> fader;
  SectionCurve(&fader, [](const TSection& s) { return s.fader; });
  // Under a big moment's hit the band steps back for the rest of its bar:
  // kBigDip dB, faded in from an eighth to a quarter of a beat after the
  // hit, as the hit's flash ends, held to the second beat and back by the
  // bar's end.
  for (const TSection& section : kSong) {
    if (!section.bigFirst) continue;
    const int in = BeatFrame(section.start) + kBeatFrames / 8;
    const int full = BeatFrame(section.start) + kBeatFrames / 4;
    const int from = BeatFrame(section.start + 1), to = BeatFrame(section.start + 4);
    for (int i = in; i < to; ++i) {
      const float fadeIn = static_cast<float>(i - in) / (full - in);
      const float back = static_cast<float>(to - i) / (to - from);
      fader[i] -= kBigDip * std::min({1.0f, fadeIn, back});
    }
  }
  for (int i = 0; i < kSongFrames; ++i) {
    const float g = static_cast<float>(std::pow(10.0, fader[i] / 20.0));
    mix->left[i] *= g;
    mix->right[i] *= g;
  }
}

void SongWidth(std::vector<float>* width) {
  SectionCurve(width, [](const TSection& s) { return s.width; });
}

void FinishSong(TStereo* mix) {
  // The glitch from beat 180 (demo 900) to the end of its window (demo
  // 918), where the picture stops jumping: the cut's beat plays, then
  // eighth-of-a-beat slices of the glitch bar's second beat, gated short,
  // until the pick-up into the last chorus.
  const int stutter = BeatFrame(181), resume = BeatFrame(kGlitchWindow.end / kBeatUnits);
  const int slice = kStepFrames / 2;
  Stutter(mix, stutter, stutter, slice, (resume - stutter + slice - 1) / slice, 0.55f);
  // Fade from beat 253 to silence at the demo's end (beat 260).
  const int from = BeatFrame(253), to = BeatFrame(kDemoEnd / kBeatUnits);
  for (int i = from; i < kSongFrames; ++i) {
    const double u = std::min(1.0, static_cast<double>(i - from) / (to - from));
    const float g = static_cast<float>(0.5 + 0.5 * std::cos(3.14159265358979 * u));
    mix->left[i] *= g;
    mix->right[i] *= g;
  }
}
