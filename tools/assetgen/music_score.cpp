// The arrangement of "kel.mp3": D minor, 117.6 BPM, one section per scene of
// the timeline (section starts are scene boundaries, in beats of 5 demo
// units). Each section names its chord progression, its melodies, the parts
// that play, its level and how its filters open, and which hits are the
// accents that flash the demo's background; the drum, bass, stab and hat
// parts follow one-bar patterns of sixteen sixteenths counted from the
// section's start.
//
//   beat   demo   section                                        accents
//     0      0    intro: pad and arpeggio fade in, riser             -
//    12     60    groove: kick, swung hats, bass                     first beat
//    28    140    theme A enters with snare and sixteenth hats       bars
//    44    220    turn: G minor progression, theme B, stabs, toms    bars
//    58    290    lift: rolling bass, fast arpeggio                  half bars
//    66    330    chorus: theme A2, open hats, stabs                 half bars
//    82    410    breakdown: no kick, slow theme, snare roll build   -
//   116    580    drop: theme A with everything                      first beat, big
//   130    650    turn with half-time snare and arpeggio             bars
//   152    760    theme A2 and A, snare roll into the glitch         bars
//   180    900    glitch: the cut, then the bar stutters to 918      the cut, big
//   182    910    pick-up: a snare ruff from 918                     -
//   184    920    last chorus: counter-line, climbing bass, push     bars, the first big
//   220   1100    bubbles over the turn, clap                        bars
//   240   1200    closing cadence B flat, G minor, A7                -
//   250   1250    D major, held and faded out by beat 260 (1300)     the chord
//
// Each section also has a fader, its level in the song: the groove starts
// low and the last chorus stands well above it. The intro and the
// breakdown are narrowed so that they hold up in mono.
//
// Every part plays with some life: velocities and timing vary a little from
// hit to hit (a fixed hash of the hit's time, so the bytes never change),
// the sixteenth hats swing, a fill closes every fourth bar, and filters open
// through each section.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iterator>

#include "assetgen/music.h"
#include "demo/timeline.h"

namespace {

// ---- Harmony ---------------------------------------------------------------

enum TChordName { kDm, kBb, kF, kC, kGm, kA, kA7, kD, kChordNames };

struct TChord {
  int bass;                // MIDI note of the bass root
  int notes[kChordNotes];  // pad voicing, open across three octaves
};

const TChord kChords[] = {
    {38, {50, 57, 65, 69, 74}},  // D minor
    {34, {46, 53, 62, 65, 70}},  // B flat
    {41, {53, 60, 69, 72, 77}},  // F
    {36, {48, 55, 64, 67, 72}},  // C
    {43, {55, 62, 67, 70, 74}},  // G minor
    {45, {57, 64, 69, 73, 76}},  // A
    {45, {57, 64, 67, 73, 76}},  // A seventh
    {38, {50, 57, 66, 69, 74}},  // D major
};
static_assert(std::size(kChords) == kChordNames, "one voicing per chord name");

constexpr int kMaxProgression = 5;
struct TProgression {
  int count;
  TChordName chords[kMaxProgression];
  int beats[kMaxProgression];  // how long each chord lasts; the list repeats
};

enum TProgressionName {
  kIntro,
  kMain,
  kTurn,
  kLift,
  kDrift,
  kGlitch,
  kClose,
  kFinal,
  kProgressionNames
};
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
static_assert(std::size(kProgressions) == kProgressionNames, "one progression per name");

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

// The notes of `theme` that start before sixteenth `cut`, then `ending`
// (steps from the phrase's start); the phrase lasts `steps` sixteenths.
constexpr TPhrase CutAndEnd(const TPhrase& theme, int cut, int steps,
                            std::initializer_list<TNote> ending) {
  TPhrase phrase = {steps, 0, {}};
  for (int n = 0; n < theme.count && theme.notes[n].step < cut; ++n) {
    phrase.notes[phrase.count++] = theme.notes[n];
  }
  for (const TNote& note : ending) phrase.notes[phrase.count++] = note;
  return phrase;
}

// `theme` with the notes from sixteenth `from` on played `shorter`
// sixteenths shorter each, every one starting where the one before ends:
// the same line, hurried to a close.
constexpr TPhrase Hurried(const TPhrase& theme, int from, int shorter) {
  TPhrase phrase = theme;
  int at = from;
  for (int n = 0; n < phrase.count; ++n) {
    TNote& note = phrase.notes[n];
    if (note.step < from) continue;
    note.step = at;
    note.length -= shorter;
    at += note.length;
    phrase.steps -= shorter;
  }
  return phrase;
}

// A1, over D minor, B flat, F, C.
constexpr TPhrase kA1 = {64,
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
                          {56, 8, 72}}};

// A2, the answer: up to the high A and down again.
constexpr TPhrase kA2 = {64,
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
                          {60, 4, 72}}};

// B, over G minor, B flat, D minor, A: ends on the leading tone's chord.
constexpr TPhrase kB = {64,
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
                         {56, 8, 69}}};

// The breakdown's slow line, over the drift progression.
constexpr TPhrase kSlow = {136,
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
                            {120, 16, 73}}};

// The closing cadence: the G over A7 resolves to F sharp on D.
constexpr TPhrase kEnd = {48,
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
                           {40, 8, 79}}};

// Each phrase fits the section it is played in, so no line is cut short:
// the shorter sections have versions of the themes that end in time.
enum TPhraseName {
  kRest,
  kThemeA1,
  kThemeA1Short,  // 14 beats: ends on C over the C chord
  kThemeA1Lead,   // 8 beats, into the roll: ends on F over F
  kThemeA2,
  kThemeB,
  kThemeBShort,  // 14 beats: ends on A over A
  kThemeSlow,
  kThemeEnd,
  kThemeFinal,
  kPhraseNames
};
constexpr TPhrase kPhrases[] = {
    {0, 0, {}},
    kA1,
    // A1's first 11 beats, then down to C in 3.
    CutAndEnd(kA1, 44, 56, {{44, 2, 76}, {46, 2, 74}, {48, 2, 76}, {50, 6, 72}}),
    // A1's first 6 beats, then up to F: it ends where the roll takes over.
    CutAndEnd(kA1, 24, 32, {{24, 4, 76}, {28, 4, 77}}),
    kA2,
    kB,
    // B with its last four notes two sixteenths shorter each.
    Hurried(kB, 40, 2),
    kSlow,
    kEnd,
    {44, 1, {{0, 32, 78}}},
};
static_assert(std::size(kPhrases) == kPhraseNames, "one phrase per name");

// ---- Patterns --------------------------------------------------------------

constexpr int kBarSteps = 16;
constexpr int8_t kNo = -1;

struct TBassPattern {
  int length;                // sixteenths per note
  int8_t offset[kBarSteps];  // semitones above the chord's bass, kNo for a rest
};
// kBassHold is played by the chords (a root held through each chord).
enum TBassName {
  kNoBass = -1,
  kBassOffbeat,
  kBassRolling,
  kBassBounce,
  kBassDrive,
  kBassHold,
  kBassNames
};
const TBassPattern kBassPatterns[] = {
    {2, {kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 12, kNo}},
    {1, {kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 12, 0}},
    {2, {0, kNo, kNo, 12, kNo, kNo, 0, kNo, 0, kNo, kNo, 12, kNo, kNo, 7, kNo}},
    // The last chorus's: off-beat octaves that climb through the fifth and
    // the seventh into the next bar.
    {2, {kNo, kNo, 0, kNo, kNo, kNo, 12, kNo, kNo, kNo, 0, kNo, kNo, 7, 10, 12}},
    {0, {0, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo}},
};
static_assert(std::size(kBassPatterns) == kBassNames, "one pattern per bass name");

// Chord tones (0..4) the arpeggio and the bubbles play, step by step.
const int8_t kArpeggio[8] = {1, 2, 3, 4, 3, 2, 3, 4};
const int8_t kBubbleTones[kBarSteps] = {1,   kNo, 3,   kNo, kNo, 2,   kNo, 4,
                                        kNo, 3,   kNo, kNo, 1,   kNo, 4,   kNo};
constexpr uint16_t kStabSteps = (1 << 3) | (1 << 6) | (1 << 11) | (1 << 14);

// ---- Sections --------------------------------------------------------------

enum TPart : uint32_t {
  kKick = 1u << 0,       // four on the floor
  kKickOnce = 1u << 1,   // one hit on the first beat
  kSnare = 1u << 2,      // back beat, beats 2 and 4
  kHalfSnare = 1u << 3,  // beat 3 only
  kClap = 1u << 4,       // back beat clap
  kHats8 = 1u << 5,      // closed hat on the off-beats
  kHats16 = 1u << 6,     // closed hat on every sixteenth, swung
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
  kFills = 1u << 18,       // a short fill on the last beat of every fourth bar
  kArpLate = 1u << 19,     // the arpeggio joins for the second half only
  kPickUp = 1u << 20,      // silent but for a snare pick-up over the last 0.4 beat
  kCounter = 1u << 21,     // a second lead a diatonic third under the theme
  kKickPush = 1u << 22,    // a second kick on the last eighth of the bar
};

enum TAccents { kNoAccents, kOnBars, kOnHalfBars, kOnBackBeats, kOnFirstBeat };

constexpr int kSectionPhrases = 3;
struct TSection {
  int start;  // beats from the song's start
  int beats;
  TProgressionName chords;
  TBassName bass;
  uint32_t parts;                        // TPart flags
  TPhraseName phrases[kSectionPhrases];  // played in turn until a kRest
  float level;                           // the music parts, 1 in a chorus
  float brightFrom, brightTo;            // filters open through the section, 0..1
  TAccents accents;
  bool bigFirst = false;  // the section's first accent is one of the song's big moments
  float fader = 0.0f;     // dB: the whole section in the mix, accents aside
  float width = 1.0f;     // the stereo width, 0 (mono) .. 1
};

// The song, section by section; each starts where the one before ends.
constexpr TSection kIntroSection = {
    .start = 0,
    .beats = 12,
    .chords = kIntro,
    .bass = kNoBass,
    .parts = kPad | kArp | kFadeIn | kRiserEnd,
    .phrases = {kRest},
    .level = 1.6f,
    .brightFrom = 0.0f,
    .brightTo = 0.35f,
    .accents = kNoAccents,
    .fader = 4.5f,
    .width = 0.45f,
};
constexpr TSection kGroove = {
    .start = 12,
    .beats = 16,
    .chords = kMain,
    .bass = kBassOffbeat,
    .parts = kKick | kHats8 | kPad | kCrash | kFills | kArpLate,
    .phrases = {kRest},
    .level = 0.8f,
    .brightFrom = 0.2f,
    .brightTo = 0.45f,
    .accents = kOnFirstBeat,
    .fader = -1.0f,
};
constexpr TSection kThemeEntry = {
    .start = 28,
    .beats = 16,
    .chords = kMain,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats16 | kPad | kCrash | kFills,
    .phrases = {kThemeA1},
    .level = 0.85f,
    .brightFrom = 0.35f,
    .brightTo = 0.6f,
    .accents = kOnBars,
    .fader = -2.5f,
};
constexpr TSection kFirstTurn = {
    .start = 44,
    .beats = 14,
    .chords = kTurn,
    .bass = kBassRolling,
    .parts = kKick | kSnare | kHats16 | kStabs | kPad | kTomFill,
    .phrases = {kThemeBShort},
    .level = 0.85f,
    .brightFrom = 0.4f,
    .brightTo = 0.65f,
    .accents = kOnBars,
    .fader = -1.5f,
};
constexpr TSection kLiftSection = {
    .start = 58,
    .beats = 8,
    .chords = kLift,
    .bass = kBassRolling,
    .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kArp | kCrash | kRiserEnd,
    .phrases = {kRest},
    .level = 0.9f,
    .brightFrom = 0.45f,
    .brightTo = 0.9f,
    .accents = kOnHalfBars,
    .fader = -1.0f,
};
constexpr TSection kChorus = {
    .start = 66,
    .beats = 16,
    .chords = kMain,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash | kKickOutEnd |
             kRiserEnd | kFills,
    .phrases = {kThemeA2},
    .level = 1.0f,
    .brightFrom = 0.6f,
    .brightTo = 0.9f,
    .accents = kOnHalfBars,
};
constexpr TSection kBreakdown = {
    .start = 82,
    .beats = 34,
    .chords = kDrift,
    .bass = kNoBass,
    .parts = kPad | kArp | kCrash | kBuild,
    .phrases = {kThemeSlow},
    .level = 0.5f,
    .brightFrom = 0.1f,
    .brightTo = 0.7f,
    .accents = kNoAccents,
    .width = 0.45f,
};
// The tile wall covers the background through the drop, so only its
// first beat, one of the big moments, flashes.
constexpr TSection kDrop = {
    .start = 116,
    .beats = 14,
    .chords = kMain,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash | kFills,
    .phrases = {kThemeA1Short},
    .level = 1.0f,
    .brightFrom = 0.75f,
    .brightTo = 0.9f,
    .accents = kOnFirstBeat,
    .bigFirst = true,
    .fader = 1.0f,
};
constexpr TSection kHalfTimeTurn = {
    .start = 130,
    .beats = 22,
    .chords = kTurn,
    .bass = kBassRolling,
    .parts = kKick | kHalfSnare | kHats16 | kPad | kArp | kTomFill | kFills,
    .phrases = {kThemeB, kRest},
    .level = 0.8f,
    .brightFrom = 0.3f,
    .brightTo = 0.7f,
    .accents = kOnBars,
    .fader = -1.0f,
};
constexpr TSection kGlitchBuild = {
    .start = 152,
    .beats = 28,
    .chords = kMain,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats8 | kPad | kCrash | kBuild | kArpLate,
    .phrases = {kThemeA2, kThemeA1Lead},
    .level = 0.9f,
    .brightFrom = 0.4f,
    .brightTo = 0.85f,
    .accents = kOnBars,
};
constexpr TSection kGlitchBar = {
    .start = 180,
    .beats = 2,
    .chords = kGlitch,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats16 | kPad | kCrash,
    .phrases = {kRest},
    .level = 1.0f,
    .brightFrom = 0.9f,
    .brightTo = 0.9f,
    .accents = kOnFirstBeat,
    .bigFirst = true,
    .fader = 1.0f,
};
// The glitch's stutter fills the first 1.6 beats; the pick-up follows.
constexpr TSection kPickUpBar = {
    .start = 182,
    .beats = 2,
    .chords = kMain,
    .bass = kNoBass,
    .parts = kPickUp,
    .phrases = {kRest},
    .level = 1.0f,
    .brightFrom = 0.7f,
    .brightTo = 0.7f,
    .accents = kNoAccents,
    .fader = 1.5f,
};
constexpr TSection kLastChorus = {
    .start = 184,
    .beats = 36,
    .chords = kMain,
    .bass = kBassDrive,
    .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kArp | kCrash | kTomFill |
             kFills | kCounter | kKickPush,
    .phrases = {kThemeA1, kThemeA2, kRest},
    .level = 1.0f,
    .brightFrom = 0.7f,
    .brightTo = 1.0f,
    .accents = kOnBars,
    .bigFirst = true,
    .fader = 1.5f,
    .width = 0.85f,
};
constexpr TSection kBubbleTurn = {
    .start = 220,
    .beats = 20,
    .chords = kTurn,
    .bass = kBassBounce,
    .parts = kKick | kClap | kHats8 | kPad | kBubbles | kCrash | kFills,
    .phrases = {kRest},
    .level = 0.8f,
    .brightFrom = 0.6f,
    .brightTo = 0.3f,
    .accents = kOnBars,
};
constexpr TSection kCadence = {
    .start = 240,
    .beats = 10,
    .chords = kClose,
    .bass = kBassOffbeat,
    .parts = kKick | kSnare | kHats16 | kPad | kStabs,
    .phrases = {kThemeEnd},
    .level = 0.75f,
    .brightFrom = 0.5f,
    .brightTo = 0.3f,
    .accents = kNoAccents,
    .fader = -1.0f,
};
// The last chord lands two beats before the closing card goes, while it is
// still lit, and its flash is over within the beat.
constexpr TSection kLastChord = {
    .start = 250,
    .beats = 13,
    .chords = kFinal,
    .bass = kBassHold,
    .parts = kKickOnce | kPad | kCrash,
    .phrases = {kThemeFinal},
    .level = 0.75f,
    .brightFrom = 0.4f,
    .brightTo = 0.1f,
    .accents = kOnFirstBeat,
};

constexpr const TSection* kSections[] = {
    &kIntroSection, &kGroove,     &kThemeEntry,   &kFirstTurn,   &kLiftSection, &kChorus,
    &kBreakdown,    &kDrop,       &kHalfTimeTurn, &kGlitchBuild, &kGlitchBar,   &kPickUpBar,
    &kLastChorus,   &kBubbleTurn, &kCadence,      &kLastChord,
};

// The sections follow one another without a gap and fill the song.
constexpr bool SectionsFillTheSong() {
  int beat = 0;
  for (const TSection* section : kSections) {
    if (section->start != beat) return false;
    beat += section->beats;
  }
  return beat == kSongBeats;
}
static_assert(SectionsFillTheSong(), "each section starts where the one before ends");

// Each section starts on its scene's boundary in the demo's timeline, so the
// music cannot drift from the picture. One beat is 5 demo units.
constexpr bool StartsAt(const TSection& section, double demoUnits) {
  return section.start * 5.0 == demoUnits;
}
static_assert(StartsAt(kGroove, kEchoImage1Window.start) &&
                  StartsAt(kThemeEntry, kEchoImage2Window.start) &&
                  StartsAt(kFirstTurn, kUnfoldImageWindow.start) &&
                  StartsAt(kLiftSection, kPointTunnelWindow.start) &&
                  StartsAt(kChorus, kWavySlicesWindow.start) &&
                  StartsAt(kBreakdown, kParticleMorphWindow.start) &&
                  StartsAt(kDrop, kTileGridWindow.start) &&
                  StartsAt(kHalfTimeTurn, kColorSplitWindow.start) &&
                  StartsAt(kGlitchBuild, kModelShowcaseWindow.start) &&
                  StartsAt(kGlitchBar, kGlitchWindow.start) &&
                  StartsAt(kPickUpBar, kSettlingSlicesWindow.start) &&
                  StartsAt(kBubbleTurn, kLensBubblesWindow.start) &&
                  StartsAt(kCadence, kClosingTitleWindow.start) &&
                  StartsAt(kLastChord, kClosingTitleWindow.end - 10.0),
              "a section of the song has left its scene's boundary in the timeline");
// Levels. Drum hits are peak amplitudes; the other voices are levels
// before the section's own. The song is normalised to its loudness after
// mixing, so only the balance between them matters.
constexpr float kKickGain = 0.3f;
constexpr float kSnareGain = 0.32f;
constexpr float kClapGain = 0.28f;
constexpr float kHatGain = 0.075f;
constexpr float kCrashGain = 0.13f;
constexpr float kTomGain = 0.14f;
constexpr float kImpactGain = 1.1f;     // a bar's accent; half bars and back beats less
constexpr float kBigImpactGain = 1.6f;  // the song's big moments
constexpr float kBackBeatLift = 1.35f;  // an accent's snare and clap
constexpr float kBassGain = 0.2f;
constexpr float kPadGain = 0.12f;
constexpr float kStabGain = 0.03f;
constexpr float kArpGain = 0.05f;
constexpr float kLeadGain = 0.11f;
constexpr float kBubbleGain = 0.08f;
constexpr float kRiserGain = 0.07f;

// A fixed hash of a hit's time and a voice: -1..1, the same on every run.
float Wobble(int at, uint32_t voice) {
  uint32_t h = static_cast<uint32_t>(at) * 0x9E3779B1u ^ voice * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return static_cast<float>(h & 0xFFFF) / 32767.5f - 1.0f;
}

// A velocity of about `gain`, within `spread` (0..1) either way.
float Velocity(float gain, int at, uint32_t voice, float spread) {
  return gain * (1.0f + spread * Wobble(at, voice));
}

// A start a little off the grid: within `ms` either way.
int Loose(int at, uint32_t voice, float ms) {
  return at + static_cast<int>(std::lrint(Wobble(at, voice + 101) * ms * 0.001f * kSongRate));
}

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

// How far the section's filters are open at a beat, 0..1.
float BrightAt(const TSection& section, double beat) {
  const double u = (beat - section.start) / section.beats;
  return static_cast<float>(section.brightFrom + (section.brightTo - section.brightFrom) * u);
}

enum TAccentSize { kNoAccent, kAccent, kBigAccent };

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
    if (InWindow(hidden, beat * 5.0)) return kNoAccent;
  }
  return kAccent;
}

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

// The note a third under `note` in D minor (a note outside the key counts
// as the scale tone a semitone under it).
int ThirdBelow(int note) {
  auto inKey = [](int n) {
    const int pc = n % 12;
    return pc == 2 || pc == 4 || pc == 5 || pc == 7 || pc == 9 || pc == 10 || pc == 0;
  };
  int below = note, steps = 0;
  while (steps < 2) steps += inKey(--below);
  return below;
}

void PlayPhrases(const TSection& section, const TBuses& out) {
  int step = 0;  // sixteenths from the section's start
  const int end = section.beats * 4;
  const float attack = section.accents == kNoAccents ? 0.05f : 0.006f;
  for (int p = 0; p < kSectionPhrases && step < end; ++p) {
    if (section.phrases[p] == kRest) break;
    const TPhrase& phrase = kPhrases[section.phrases[p]];
    for (int n = 0; n < phrase.count; ++n) {
      const TNote& note = phrase.notes[n];
      if (step + note.step >= end) break;
      const int length = std::min(note.length, end - step - note.step);
      const int grid = BeatFrame(section.start) + (step + note.step) * kStepFrames;
      const int at = Loose(grid, 1, 4.0f);
      const int frames = length * kStepFrames - kStepFrames / 4;
      // Longer notes lean in a little; each note its own touch.
      const float gain =
          Velocity(kLeadGain * section.level, grid, 2, 0.08f) * (note.length >= 8 ? 1.05f : 1.0f);
      const float bright = BrightAt(section, section.start + (step + note.step) / 4.0);
      AddLead(out.Music(0.8f, 1.2f), at, frames, note.note, gain, attack, bright);
      if (section.parts & kCounter) {
        AddLead(out.Music(0.5f, 1.0f), Loose(grid, 15, 6.0f), frames, ThirdBelow(note.note),
                gain * 0.6f, attack * 2.0f, bright * 0.6f);
      }
    }
    step += phrase.steps;
  }
}

void PlayChords(const TSection& section, const TBuses& out) {
  const uint32_t parts = section.parts;
  // The chords leave the last 4 beats of a build to its roll and riser.
  const int end = section.start + section.beats - ((parts & kBuild) ? 4 : 0);
  for (int beat = section.start; beat < end;) {
    int chordStart = 0, chordBeats = 0;
    const TChord& chord = ChordAt(section, beat, &chordStart, &chordBeats);
    const int beats = std::min(chordBeats - (beat - chordStart), end - beat);
    const float grow =
        (parts & kFadeIn) ? 0.45f + 0.55f * (beat - section.start) / section.beats : 1.0f;
    if (parts & kPad) {
      const int length = beats * kBeatFrames - kStepFrames;
      AddPad(out.Music(0.0f, 1.0f), BeatFrame(beat), length, chord.notes,
             kPadGain * section.level * grow, BrightAt(section, beat));
    }
    if (section.bass == kBassHold) {
      AddBass(out.Bass(), BeatFrame(beat), beats * kBeatFrames - kStepFrames, chord.bass, kBassGain,
              0.2f);
    }
    beat += beats;
  }
}

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
}

// Kick, snare, clap, the build's roll and the toms of a tom fill.
void PlayDrums(const TBeat& b, const TStep& step, const TBuses& out) {
  const int s = step.s, grid = step.grid;
  const bool onBeat = s == 0;
  // The kick leaves the last 4 beats of a roll to the snare.
  bool kick = b.Plays(kKick) && onBeat && !(b.Plays(kKickOutEnd) && b.toEnd <= 2) &&
              !(b.roll && b.toEnd <= 4);
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
      AddSnare(out.Drums(0.3f), grid, static_cast<float>(kSnareGain * 0.04 * std::pow(40.0, u)),
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

// The section's bass pattern over the chord's root (kBassHold is played
// with the chords).
void PlayBass(const TBeat& b, const TStep& step, const TBuses& out) {
  if (b.section.bass == kNoBass || b.section.bass == kBassHold) return;
  if (b.roll && b.toEnd <= 4) return;  // the bass too leaves the roll's end alone
  const TBassPattern& pattern = kBassPatterns[b.section.bass];
  if (pattern.offset[step.barStep] == kNo) return;
  AddBass(out.Bass(), step.grid, pattern.length * kStepFrames * 4 / 5,
          b.chord.bass + pattern.offset[step.barStep], Velocity(kBassGain, step.grid, 10, 0.06f),
          b.bright);
}

// The chord's upper four notes an octave up, plucked across the stereo
// field on the stab steps.
void PlayStabs(const TBeat& b, const TStep& step, const TBuses& out) {
  if (!b.Plays(kStabs) || b.roll || !(kStabSteps >> step.barStep & 1)) return;
  for (int n = 1; n < kChordNotes; ++n) {
    const float pan = 0.6f * (n - 2.5f) / 1.5f;
    AddPluck(out.Music(0.3f, 1.0f), step.grid, kStepFrames, b.chord.notes[n] + 12,
             Velocity(kStabGain, step.grid, 11, 0.1f), pan, 0.5f + 0.5f * b.bright);
  }
}

// Sixteenths (eighths while fading in) up and down the chord, left and right.
void PlayArpeggio(const TBeat& b, const TStep& step, const TBuses& out) {
  const bool plays = b.Plays(kArp) || (b.Plays(kArpLate) && b.fromStart * 2 >= b.section.beats);
  if (!plays || (b.Plays(kFadeIn) && step.s % 2 != 0)) return;
  const int tone = kArpeggio[(b.fromStart * 4 + step.s) % 8];
  const float pan = (step.s % 2 ? 0.6f : -0.6f);
  const float gain = Velocity(kArpGain * b.section.level * b.grow, step.grid, 12, 0.15f);
  AddPluck(out.Music(1.0f, 0.3f), Loose(step.grid, 12, 3.0f), kStepFrames / 2,
           b.chord.notes[tone] + 12, gain, pan, 0.25f + 0.6f * b.bright * b.grow);
}

// Chord tones at irregular steps, some an octave up, scattered in pan.
void PlayBubbles(const TBeat& b, const TStep& step, const TBuses& out) {
  const int barStep = step.barStep;
  if (!b.Plays(kBubbles) || kBubbleTones[barStep] == kNo) return;
  const int note = b.chord.notes[kBubbleTones[barStep]] + (barStep % 3 == 0 ? 12 : 0);
  const float pan = 0.8f * ((barStep * 5 % 7) / 3.0f - 1.0f);
  AddBubble(out.Music(0.5f, 1.0f), step.grid, note, Velocity(kBubbleGain, step.grid, 13, 0.2f),
            pan);
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

// A snare ruff from the moment the glitch lets go into the next beat,
// growing, over a short riser: the pick-up into the last chorus.
void PlayPickUp(const TSection& section, const TBuses& out) {
  const double from = kGlitchWindow.end / 5.0, to = section.start + section.beats;
  const int hits = 4;
  for (int k = 0; k < hits; ++k) {
    const double beat = from + (to - from) * k / hits;
    AddSnare(out.Drums(0.4f), BeatFrame(beat), kSnareGain * (0.45f + 0.2f * k), 0.035f);
  }
  AddRiser(out.Music(0.0f, 0.3f), BeatFrame(from), BeatFrame(to) - BeatFrame(from),
           kRiserGain * 2.0f);
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
    AddRiser(out.Music(0.0f, 0.5f), BeatFrame(end - 8), 8 * kBeatFrames, kRiserGain * 1.3f);
  }
  if (parts & kPickUp) PlayPickUp(section, out);
}

// The section's value for every frame, changing over the 30 ms before each
// section starts.
void SectionCurve(std::vector<float>* curve, float (*value)(const TSection&)) {
  curve->assign(kSongFrames, 0.0f);
  const int ramp = kSongRate * 3 / 100;
  float before = value(*kSections[0]);
  for (const TSection* section : kSections) {
    const float now = value(*section);
    const int from = BeatFrame(section->start), to = BeatFrame(section->start + section->beats);
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
  for (const TSection* section : kSections) PlaySection(*section, out);
  AddEcho(echo, &buses->music, 3 * kStepFrames, 0.45f, 0.4f);
  AddHall(hall, &buses->music, kSongRate * 28 / 1000, 0.9f);
}

std::vector<int> SongAccents() {
  std::vector<int> accents;
  for (const TSection* section : kSections) {
    for (int beat = section->start; beat < section->start + section->beats; ++beat) {
      if (AccentAt(*section, beat) != kNoAccent) accents.push_back(BeatFrame(beat));
    }
  }
  return accents;
}

void ShapeSong(TStereo* mix) {
  std::vector<float> fader;
  SectionCurve(&fader, [](const TSection& s) { return s.fader; });
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
  const int stutter = BeatFrame(181), resume = BeatFrame(kGlitchWindow.end / 5.0);
  const int slice = kStepFrames / 2;
  Stutter(mix, stutter, stutter, slice, (resume - stutter + slice - 1) / slice, 0.55f);
  // Fade from beat 253 to silence at beat 260 (demo 1300).
  const int from = BeatFrame(253), to = BeatFrame(260);
  for (int i = from; i < kSongFrames; ++i) {
    const double u = std::min(1.0, static_cast<double>(i - from) / (to - from));
    const float g = static_cast<float>(0.5 + 0.5 * std::cos(3.14159265358979 * u));
    mix->left[i] *= g;
    mix->right[i] *= g;
  }
}
