// The song's arranger and the players of its parts, shared by
// music_arrange.cpp (which walks the score section by section and beat by
// beat), music_drums.cpp (the drums and the accents) and music_pitched.cpp
// (bass, chords, stabs, arpeggio, bubbles and the lead). The score they play
// is music_score.cpp.
//
// Times are frames (music.h); the parts of a beat are played sixteenth by
// sixteenth in a fixed order, since the buses' float sums depend on it.
#pragma once

#include <cstdint>

#include "assetgen/music.h"
#include "assetgen/music_song.h"

// Levels. Drum hits are peak amplitudes; the other voices are levels
// before the section's own. The song is normalised to its loudness after
// mixing, so only the balance between them matters.
constexpr float kKickGain = 0.3f;
constexpr float kSnareGain = 0.32f;
constexpr float kClapGain = 0.28f;
constexpr float kHatGain = 0.075f;
constexpr float kCrashGain = 0.13f;
constexpr float kTomGain = 0.14f;
constexpr float kImpactGain = 0.3f;     // a bar's accent; half bars and back beats less
constexpr float kBigImpactGain = 1.8f;  // the song's big moments
constexpr float kHitGain = 0.28f;       // each note of an accent's chord hit
constexpr float kBackBeatLift = 1.35f;  // an accent's snare and clap
constexpr float kBassGain = 0.2f;
constexpr float kPadGain = 0.12f;
constexpr float kStabGain = 0.03f;
constexpr float kArpGain = 0.05f;
constexpr float kLeadGain = 0.11f;
constexpr float kBubbleGain = 0.08f;
constexpr float kRiserGain = 0.07f;

// A velocity of about `gain`, within `spread` (0..1) either way.
float Velocity(float gain, int at, uint32_t voice, float spread);
// A start a little off the grid: within `ms` either way.
int Loose(int at, uint32_t voice, float ms);
// The chord under a beat of a section, and the beat where that chord began.
const TChord& ChordAt(const TSection& section, int beat, int* chordStart, int* chordBeats);
// How far the section's filters are open at a beat, 0..1.
float BrightAt(const TSection& section, double beat);

enum TAccentSize { kNoAccent, kAccent, kBigAccent };

// The song's buses and the sends each kind of voice uses.
struct TBuses {
  TSongBuses* song;
  TStereo* echo;  // send to the ping-pong echo
  TStereo* hall;  // send to the hall
  TSends Kick() const { return {{&song->drums, &song->kick, nullptr}, {1.0f, 1.0f, 0.0f}}; }
  TSends Drums(float hall = 0.0f) const {
    return {{&song->drums, this->hall, nullptr}, {1.0f, hall, 0.0f}};
  }
  TSends Bass() const { return {{&song->bass, nullptr, nullptr}, {1.0f, 0.0f, 0.0f}}; }
  TSends Accents() const { return {{&song->accents, hall, nullptr}, {1.0f, 0.3f, 0.0f}}; }
  TSends Music(float echo, float hall) const {
    return {{&song->music, this->echo, this->hall}, {1.0f, echo, hall}};
  }
};

// One beat of a section, as every part hears it.
struct TBeat {
  const TSection& section;
  int beat;
  int fromStart;  // beats since the section's start
  int toEnd;      // beats left, 1 on the last
  const TChord& chord;
  bool tomFill;    // toms instead of snare and hats (kTomFill's last 2 beats)
  bool roll;       // the build's snare roll (kBuild's last 8 beats)
  bool shortFill;  // the fill on the last beat of every fourth bar (kFills)
  TAccentSize accent;
  float grow;    // kFadeIn's growth, 0.3..1
  float bright;  // the section's filters at this beat, 0..1
  bool Plays(uint32_t part) const { return (section.parts & part) != 0; }
};

// One sixteenth of the beat.
struct TStep {
  int s;        // 0..3 within the beat
  int barStep;  // 0..15 within the bar
  int grid;     // frame on the grid, before any looseness
};

// ---- The players (music_drums.cpp) -----------------------------------------

// The fill on the last beat of every fourth bar.
void PlayFill(const TSection& section, int beat, const TBuses& out);
// The accent's crash and impact.
void PlayAccent(const TBeat& b, const TBuses& out);
// Kick, snare, clap, the build's roll and the toms of a tom fill.
void PlayDrums(const TBeat& b, const TStep& step, const TBuses& out);
// Hats, swung.
void PlayHats(const TBeat& b, const TStep& step, const TBuses& out);
// The snare ruff and riser from the glitch into the last chorus.
void PlayPickUp(const TSection& section, const TBuses& out);

// ---- The players (music_pitched.cpp) ---------------------------------------

// The section's melodies on the lead, with the counter-line.
void PlayPhrases(const TSection& section, const TBuses& out);
// The pads, and a held bass, chord by chord.
void PlayChords(const TSection& section, const TBuses& out);
void PlayBass(const TBeat& b, const TStep& step, const TBuses& out);
void PlayStabs(const TBeat& b, const TStep& step, const TBuses& out);
void PlayArpeggio(const TBeat& b, const TStep& step, const TBuses& out);
void PlayBubbles(const TBeat& b, const TStep& step, const TBuses& out);
