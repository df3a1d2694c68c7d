// The arrangement of "kel.mp3": D minor, 117.6 BPM, one section per scene of
// the timeline (section starts are scene boundaries, in beats of 5 demo
// units). Each section names its chord progression, its melodies and the
// parts that play; the drum, bass, stab and hat parts follow one-bar
// patterns of sixteen sixteenths counted from the section's start.
//
//   beat   demo   section
//     0      0    intro: pad and arpeggio fade in, riser
//    12     60    groove: kick, off-beat hats and bass
//    28    140    theme A enters with snare and sixteenth hats
//    44    220    turn: G minor progression, theme B, stabs, tom fill
//    58    290    lift: rolling bass, fast arpeggio into the chorus
//    66    330    chorus: theme A2, open hats, stabs; kick drops out
//    82    410    breakdown: no kick, slow theme, snare roll build
//   116    580    drop: theme A with everything
//   130    650    turn with half-time snare and arpeggio
//   152    760    theme A2 and A, build into the glitch
//   180    900    glitch: the bar stutters (until beat 182)
//   182    910    last chorus
//   220   1100    bubbles over the turn, clap
//   240   1200    closing cadence B flat, G minor, A7
//   252   1260    D major, held and faded out by beat 260 (1300)
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "assetgen/music.h"

namespace {

// ---- Harmony ---------------------------------------------------------------

enum TChordName { kDm, kBb, kF, kC, kGm, kA, kA7, kD, kChordNames };

struct TChord {
  int bass;                // MIDI note of the bass root
  int notes[kChordNotes];  // pad voicing, MIDI notes
};

const TChord kChords[kChordNames] = {
    {38, {57, 62, 65, 69}},  // D minor
    {34, {58, 62, 65, 70}},  // B flat
    {41, {57, 60, 65, 69}},  // F
    {36, {55, 60, 64, 67}},  // C
    {43, {55, 58, 62, 67}},  // G minor
    {45, {57, 61, 64, 69}},  // A
    {45, {55, 61, 64, 69}},  // A seventh
    {38, {57, 62, 66, 69}},  // D major
};

constexpr int kMaxProgression = 5;
struct TProgression {
  int count;
  TChordName chords[kMaxProgression];
  int beats[kMaxProgression];  // how long each chord lasts; the list repeats
};

enum TProgressionName { kIntro, kMain, kTurn, kLift, kDrift, kGlitch, kClose, kFinal };
const TProgression kProgressions[] = {
    {3, {kDm, kBb, kC}, {4, 4, 4}},
    {4, {kDm, kBb, kF, kC}, {4, 4, 4, 4}},
    {4, {kGm, kBb, kDm, kA}, {4, 4, 4, 4}},
    {2, {kBb, kC}, {4, 4}},
    {5, {kBb, kF, kC, kDm, kA}, {8, 8, 8, 6, 4}},
    {1, {kC}, {4}},
    {3, {kBb, kGm, kA7}, {4, 4, 4}},
    {1, {kD}, {12}},
};

// ---- Melodies --------------------------------------------------------------

struct TNote {
  int step;    // sixteenths from the start of the phrase
  int length;  // sixteenths
  int note;    // MIDI
};

constexpr int kMaxPhraseNotes = 20;
struct TPhrase {
  int steps;  // length of the phrase in sixteenths
  int count;
  TNote notes[kMaxPhraseNotes];
};

enum TPhraseName { kRest, kThemeA1, kThemeA2, kThemeB, kThemeSlow, kThemeEnd, kThemeFinal };
const TPhrase kPhrases[] = {
    {0, 0, {}},  // the rest: no lead
    // A1, over D minor, B flat, F, C.
    {64,
     17,
     {{0, 4, 69},
      {4, 2, 74},
      {6, 2, 72},
      {8, 6, 74},
      {14, 2, 77},
      {16, 4, 77},
      {20, 2, 74},
      {22, 2, 70},
      {24, 8, 74},
      {32, 4, 72},
      {36, 2, 69},
      {38, 2, 72},
      {40, 4, 77},
      {44, 4, 76},
      {48, 6, 76},
      {54, 2, 74},
      {56, 8, 72}}},
    // A2, the answer: up to the high A and down again.
    {64,
     17,
     {{0, 2, 74},
      {2, 2, 77},
      {4, 4, 81},
      {8, 2, 79},
      {10, 2, 77},
      {12, 4, 76},
      {16, 6, 74},
      {22, 2, 77},
      {24, 4, 74},
      {28, 4, 70},
      {32, 4, 69},
      {36, 4, 72},
      {40, 4, 77},
      {44, 4, 81},
      {48, 8, 79},
      {56, 4, 76},
      {60, 4, 72}}},
    // B, over G minor, B flat, D minor, A: ends on the leading tone's chord.
    {64,
     16,
     {{0, 4, 70},
      {4, 4, 74},
      {8, 2, 72},
      {10, 2, 70},
      {12, 4, 67},
      {16, 4, 65},
      {20, 4, 70},
      {24, 6, 74},
      {30, 2, 72},
      {32, 4, 69},
      {36, 2, 72},
      {38, 2, 74},
      {40, 8, 77},
      {48, 4, 76},
      {52, 4, 73},
      {56, 8, 69}}},
    // The breakdown's slow line, over the drift progression.
    {136,
     12,
     {{0, 12, 74},
      {12, 4, 72},
      {16, 16, 70},
      {32, 12, 69},
      {44, 4, 72},
      {48, 16, 77},
      {64, 12, 76},
      {76, 4, 74},
      {80, 16, 72},
      {96, 16, 74},
      {112, 8, 69},
      {120, 16, 73}}},
    // The closing cadence: the G over A7 resolves to F sharp on D.
    {48,
     11,
     {{0, 6, 74},
      {6, 2, 72},
      {8, 4, 70},
      {12, 4, 74},
      {16, 4, 79},
      {20, 2, 77},
      {22, 2, 74},
      {24, 8, 70},
      {32, 6, 73},
      {38, 2, 76},
      {40, 8, 79}}},
    {44, 1, {{0, 32, 78}}},
};

// ---- Patterns --------------------------------------------------------------

constexpr int kBarSteps = 16;
constexpr int8_t kNo = -1;

struct TBassPattern {
  int length;                // sixteenths per note
  int8_t offset[kBarSteps];  // semitones above the chord's bass, kNo for a rest
};
enum TBassName { kNoBass = -1, kBassOffbeat, kBassRolling, kBassBounce, kBassHold };
const TBassPattern kBassPatterns[] = {
    {2, {kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 12, kNo}},
    {1, {kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 12, 0}},
    {2, {0, kNo, kNo, 12, kNo, kNo, 0, kNo, 0, kNo, kNo, 12, kNo, kNo, 7, kNo}},
    {0, {0, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo}},
};

// Chord tones (0..3) the arpeggio and the bubbles play, step by step.
const int8_t kArpeggio[8] = {0, 1, 2, 3, 2, 1, 2, 3};
const int8_t kBubbleTones[kBarSteps] = {0,   kNo, 2,   kNo, kNo, 1,   kNo, 3,
                                        kNo, 2,   kNo, kNo, 0,   kNo, 3,   kNo};
constexpr uint16_t kStabSteps = (1 << 3) | (1 << 6) | (1 << 11) | (1 << 14);

// ---- Sections --------------------------------------------------------------

enum TPart : uint32_t {
  kKick = 1u << 0,       // four on the floor
  kKickOnce = 1u << 1,   // one hit on the first beat
  kSnare = 1u << 2,      // back beat, beats 2 and 4
  kHalfSnare = 1u << 3,  // beat 3 only
  kClap = 1u << 4,       // back beat clap
  kHats8 = 1u << 5,      // closed hat on the off-beats
  kHats16 = 1u << 6,     // closed hat on every sixteenth
  kOpenHats = 1u << 7,   // open hat on the off-beats
  kPad = 1u << 8,
  kStabs = 1u << 9,
  kArp = 1u << 10,
  kBubbles = 1u << 11,
  kCrash = 1u << 12,       // cymbal on the first beat
  kFadeIn = 1u << 13,      // pad and arpeggio grow through the section
  kRiserEnd = 1u << 14,    // noise riser over the last 4 beats
  kKickOutEnd = 1u << 15,  // no kick in the last 2 beats
  kTomFill = 1u << 16,     // toms instead of snare and hats in the last 2 beats
  kBuild = 1u << 17,       // snare roll and riser over the last 8 beats
};

constexpr int kSectionPhrases = 3;
struct TSection {
  int start, beats;
  TProgressionName chords;
  TBassName bass;
  uint32_t parts;
  TPhraseName phrases[kSectionPhrases];  // played in turn until a kRest
  float level;                           // music parts, 1 in the groove
};

const TSection kSections[] = {
    {0, 12, kIntro, kNoBass, kPad | kArp | kFadeIn | kRiserEnd, {kRest}, 1.4f},
    {12, 16, kMain, kBassOffbeat, kKick | kHats8 | kPad | kCrash, {kRest}, 1.0f},
    {28, 16, kMain, kBassOffbeat, kKick | kSnare | kHats16 | kPad | kCrash, {kThemeA1}, 1.0f},
    {44, 14, kTurn, kBassRolling, kKick | kSnare | kHats16 | kStabs | kTomFill, {kThemeB}, 1.0f},
    {58,
     8,
     kLift,
     kBassRolling,
     kKick | kSnare | kHats16 | kOpenHats | kPad | kArp | kCrash | kRiserEnd,
     {kRest},
     1.0f},
    {66,
     16,
     kMain,
     kBassOffbeat,
     kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash | kKickOutEnd | kRiserEnd,
     {kThemeA2},
     1.0f},
    {82, 34, kDrift, kNoBass, kPad | kArp | kCrash | kBuild, {kThemeSlow}, 2.4f},
    {116,
     14,
     kMain,
     kBassOffbeat,
     kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash,
     {kThemeA1},
     1.0f},
    {130,
     22,
     kTurn,
     kBassRolling,
     kKick | kHalfSnare | kHats16 | kPad | kArp | kTomFill,
     {kThemeB, kRest},
     1.0f},
    {152,
     28,
     kMain,
     kBassOffbeat,
     kKick | kSnare | kHats8 | kPad | kCrash | kBuild,
     {kThemeA2, kThemeA1},
     1.0f},
    {180, 2, kGlitch, kBassOffbeat, kKick | kSnare | kHats16 | kPad | kCrash, {kRest}, 1.0f},
    {182,
     38,
     kMain,
     kBassOffbeat,
     kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kArp | kCrash | kTomFill,
     {kThemeA1, kThemeA2, kRest},
     1.0f},
    {220, 20, kTurn, kBassBounce, kKick | kClap | kHats8 | kPad | kBubbles | kCrash, {kRest}, 1.0f},
    {240, 12, kClose, kBassOffbeat, kKick | kSnare | kHats16 | kPad | kStabs, {kThemeEnd}, 1.0f},
    {252, 11, kFinal, kBassHold, kKickOnce | kPad | kCrash, {kThemeFinal}, 1.0f},
};

// Peak gains. The drums are the only parts loud enough to flash the
// background; the music parts sum to about the ceiling of the fitter.
constexpr float kKickGain = 0.45f;
constexpr float kSnareGain = 0.48f;
constexpr float kClapGain = 0.45f;
constexpr float kHatGain = 0.06f;
constexpr float kCrashGain = 0.1f;
constexpr float kTomGain = 0.11f;
constexpr float kBassGain = 0.14f;
constexpr float kPadGain = 0.063f;
constexpr float kStabGain = 0.025f;
constexpr float kArpGain = 0.038f;
constexpr float kLeadGain = 0.068f;
constexpr float kBubbleGain = 0.08f;
constexpr float kRiserGain = 0.06f;

// The chord under a beat of a section, and the beat where that chord began.
const TChord& ChordAt(const TSection& section, int beat, int* chordStart, int* chordBeats) {
  const TProgression& p = kProgressions[section.chords];
  int at = section.start, index = 0;
  while (at + p.beats[index] <= beat) {
    at += p.beats[index];
    index = (index + 1) % p.count;
  }
  *chordStart = at;
  *chordBeats = p.beats[index];
  return kChords[p.chords[index]];
}

// The song's buses and the sends each kind of voice uses.
struct TBuses {
  TStereo* drums;
  TStereo* music;
  TStereo* echo;  // send to the ping-pong echo
  TStereo* room;  // send to the reverb
  TSends Drums(float room = 0.0f) const {
    return {{drums, this->room, nullptr}, {1.0f, room, 0.0f}};
  }
  TSends Dry() const { return {{music, nullptr, nullptr}, {1.0f, 0.0f, 0.0f}}; }
  TSends Wet(float echo, float room) const {
    return {{music, this->echo, this->room}, {1.0f, echo, room}};
  }
};

void PlayPhrases(const TSection& section, const TBuses& out) {
  int step = 0;  // sixteenths from the section's start
  const int end = section.beats * 4;
  const float attack = section.level > 1.0f ? 0.07f : 0.006f;
  for (int p = 0; p < kSectionPhrases && step < end; ++p) {
    if (section.phrases[p] == kRest) break;
    const TPhrase& phrase = kPhrases[section.phrases[p]];
    for (int n = 0; n < phrase.count; ++n) {
      const TNote& note = phrase.notes[n];
      if (step + note.step >= end) break;
      const int length = std::min(note.length, end - step - note.step);
      const int at = BeatFrame(section.start) + (step + note.step) * kStepFrames;
      const int frames = length * kStepFrames - kStepFrames / 4;
      AddLead(out.Wet(1.0f, 1.5f), at, frames, note.note, kLeadGain * section.level, attack);
    }
    step += phrase.steps;
  }
}

void PlayChords(const TSection& section, const TBuses& out) {
  const uint32_t parts = section.parts;
  for (int beat = section.start; beat < section.start + section.beats;) {
    int chordStart = 0, chordBeats = 0;
    const TChord& chord = ChordAt(section, beat, &chordStart, &chordBeats);
    const int beats =
        std::min(chordBeats - (beat - chordStart), section.start + section.beats - beat);
    const float grow =
        (parts & kFadeIn) ? 0.35f + 0.65f * (beat - section.start) / section.beats : 1.0f;
    if (parts & kPad) {
      const int length = beats * kBeatFrames - kStepFrames;
      AddPad(out.Wet(0.0f, 1.0f), BeatFrame(beat), length, chord.notes,
             kPadGain * section.level * grow);
    }
    if (section.bass == kBassHold) {
      AddBass(out.Dry(), BeatFrame(beat), beats * kBeatFrames - kStepFrames, chord.bass,
              kBassGain * 1.3f);
    }
    beat += beats;
  }
}

void PlayBeat(const TSection& section, int beat, const TBuses& out) {
  const uint32_t parts = section.parts;
  const int fromStart = beat - section.start;
  const int toEnd = section.start + section.beats - beat;  // beats left, 1 on the last
  int chordStart = 0, chordBeats = 0;
  const TChord& chord = ChordAt(section, beat, &chordStart, &chordBeats);
  const bool fill = (parts & kTomFill) && toEnd <= 2;
  const bool roll = (parts & kBuild) && toEnd <= 8;
  const float grow = (parts & kFadeIn) ? 0.2f + 0.8f * fromStart / section.beats : 1.0f;

  for (int s = 0; s < 4; ++s) {
    const int barStep = (fromStart % 4) * 4 + s;
    const int at = BeatFrame(beat) + s * kStepFrames;
    const bool onBeat = s == 0;

    bool kick = (parts & kKick) && onBeat && !((parts & kKickOutEnd) && toEnd <= 2);
    if ((parts & kKick) && roll && toEnd <= 2 && s == 2) kick = true;
    if ((parts & kKickOnce) && fromStart == 0 && onBeat) kick = true;
    if (kick) AddKick(out.Drums(), at, kKickGain);

    const bool backBeat = barStep == 4 || barStep == 12;
    if (!fill && !roll && (parts & kSnare) && backBeat) {
      AddSnare(out.Drums(0.5f), at, kSnareGain, 0.07f);
    }
    if (!fill && (parts & kHalfSnare) && barStep == 8) {
      AddSnare(out.Drums(0.7f), at, kSnareGain, 0.09f);
    }
    if ((parts & kClap) && backBeat) {
      AddClap(out.Drums(0.6f), at, kClapGain);
    }
    if (roll) {
      // Eighths, then sixteenths over the last 4 beats, growing louder; the
      // short decay keeps each hit a separate flash.
      const double u = 1.0 - (toEnd - 1 + (4 - s) / 4.0) / 8.0;  // 0..1 through the roll
      if (toEnd <= 4 || s % 2 == 0) {
        AddSnare(out.Drums(), at, static_cast<float>(0.2 + 0.45 * u), toEnd <= 4 ? 0.02f : 0.045f);
      }
    }
    if (fill) {
      static const int kToms[8] = {55, 55, 52, 52, 50, 48, 47, 45};
      const int k = (2 - toEnd) * 4 + s;
      AddTom(out.Dry(), at, kToms[k], kTomGain, 0.5f - 0.15f * k);
    }

    const float hatPan = s % 2 ? 0.3f : -0.15f;
    const bool offBeat = s == 2;
    if (!fill && (parts & kOpenHats) && offBeat) {
      AddHat(out.Dry(), at, kHatGain * 1.2f, true, hatPan);
    } else if (!fill && (parts & kHats16)) {
      AddHat(out.Dry(), at, kHatGain * (offBeat ? 1.0f : s % 2 ? 0.6f : 0.45f), false, hatPan);
    } else if (!fill && (parts & kHats8) && offBeat) {
      AddHat(out.Dry(), at, kHatGain, false, hatPan);
    }

    if (section.bass >= 0 && section.bass != kBassHold) {
      const TBassPattern& pattern = kBassPatterns[section.bass];
      if (pattern.offset[barStep] != kNo) {
        AddBass(out.Dry(), at, pattern.length * kStepFrames * 4 / 5,
                chord.bass + pattern.offset[barStep], kBassGain);
      }
    }
    if ((parts & kStabs) && !roll && (kStabSteps >> barStep & 1)) {
      for (int n = 0; n < kChordNotes; ++n) {
        AddPluck(out.Wet(0.0f, 1.0f), at, kStepFrames, chord.notes[n] + 12, kStabGain, 0.0f, 0.9f);
      }
    }
    if ((parts & kArp) && ((parts & kFadeIn) == 0 || s % 2 == 0)) {
      const int tone = kArpeggio[(fromStart * 4 + s) % 8];
      const float pan = (s % 2 ? 0.45f : -0.45f);
      const float gain = kArpGain * section.level * grow;
      AddPluck(out.Wet(1.0f, 0.0f), at, kStepFrames / 2, chord.notes[tone] + 12, gain, pan,
               0.5f * grow);
    }
    if ((parts & kBubbles) && kBubbleTones[barStep] != kNo) {
      const int note = chord.notes[kBubbleTones[barStep]] + (barStep % 3 == 0 ? 24 : 12);
      const float pan = 0.7f * ((barStep * 5 % 7) / 3.0f - 1.0f);
      AddBubble(out.Wet(0.0f, 1.0f), at, note, kBubbleGain, pan);
    }
  }
}

void PlaySection(const TSection& section, const TBuses& out) {
  const uint32_t parts = section.parts;
  if (parts & kCrash) AddCrash(out.Dry(), BeatFrame(section.start), kCrashGain);
  PlayChords(section, out);
  PlayPhrases(section, out);
  for (int beat = section.start; beat < section.start + section.beats; ++beat) {
    PlayBeat(section, beat, out);
  }
  const int end = section.start + section.beats;
  if (parts & kRiserEnd) {
    AddRiser(out.Dry(), BeatFrame(end - 4), 4 * kBeatFrames, kRiserGain * section.level);
  }
  if (parts & kBuild) AddRiser(out.Dry(), BeatFrame(end - 8), 8 * kBeatFrames, kRiserGain * 1.3f);
}

}  // namespace

void RenderSong(TStereo* drums, TStereo* music) {
  TStereo echo, room;
  ClearStereo(&echo);
  ClearStereo(&room);
  const TBuses out = {drums, music, &echo, &room};
  for (const TSection& section : kSections) PlaySection(section, out);
  AddEcho(echo, music, 3 * kStepFrames, 0.4f, 0.35f);
  AddReverb(room, music, 0.6f);
}

void SongCeiling(float* ceiling) {
  // 0.1 is where the background flashes; the music stays below it with room
  // for the encoder's error. The breakdown (no flash in the demo) may be
  // louder; the intro and the fade stay well under.
  for (int beat = 0; beat < kSongBeats; ++beat) {
    float c = 0.088f;
    if (beat < 12 || beat >= 252) c = 0.07f;
    if (beat >= 82 && beat < 116) {
      c = std::min({0.15f, 0.088f + 0.02f * (beat - 81), 0.088f + 0.02f * (116 - beat)});
    }
    ceiling[beat] = c;
  }
}

void FinishSong(TStereo* mix) {
  // The glitch at beat 180 (demo 900): the first sixteenth of the bar
  // repeats four times, then eighth-of-a-beat slices for the next beat.
  const int glitch = BeatFrame(180);
  Stutter(mix, glitch, glitch, kStepFrames, 4, 0.6f);
  Stutter(mix, glitch, BeatFrame(181), kStepFrames / 2, 8, 0.55f);
  // Fade from beat 253 to silence at beat 260 (demo 1300).
  const int from = BeatFrame(253), to = BeatFrame(260);
  for (int i = from; i < kSongFrames; ++i) {
    const double u = std::min(1.0, static_cast<double>(i - from) / (to - from));
    const float g = static_cast<float>(0.5 + 0.5 * std::cos(3.14159265358979 * u));
    mix->left[i] *= g;
    mix->right[i] *= g;
  }
}
