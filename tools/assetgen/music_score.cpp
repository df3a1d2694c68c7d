// The score of "kel.mp3", tables only: D minor, 117.6 BPM, one section per
// scene of the timeline (section starts are scene boundaries, in beats of
// kBeatUnits demo units). Each section names its chord progression, its
// melodies, the parts that play, its level and how its filters open, and
// which hits are the accents that flash the demo's background; the drum,
// bass, stab and hat parts follow one-bar patterns of sixteen sixteenths
// counted from the section's start. What the tables are written in is
// music_song.h; the arranger (music_arrange.cpp) and the players of the
// parts (music_drums.cpp, music_pitched.cpp) play them.
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
//   152    760    theme A2                                           bars
//   168    840    theme A, snare roll and riser into the glitch      -
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
// A section's length is its only position: its start is the sum of the
// sections before it, checked below against the timeline's scene starts.
#include <array>
#include <cstddef>
#include <iterator>

#include "assetgen/music_song.h"
#include "demo/timeline.h"

// ---- Harmony ---------------------------------------------------------------

constexpr TChord kChords[] = {
    {"Dm", "D2", {"D3", "A3", "F4", "A4", "D5"}},  {"Bb", "Bb1", {"Bb2", "F3", "D4", "F4", "Bb4"}},
    {"F", "F2", {"F3", "C4", "A4", "C5", "F5"}},   {"C", "C2", {"C3", "G3", "E4", "G4", "C5"}},
    {"Gm", "G2", {"G3", "D4", "G4", "Bb4", "D5"}}, {"A", "A2", {"A3", "E4", "A4", "C#5", "E5"}},
    {"A7", "A2", {"A3", "E4", "G4", "C#5", "E5"}}, {"D", "D2", {"D3", "A3", "F#4", "A4", "D5"}},
};
constexpr int kChordCount = static_cast<int>(std::size(kChords));

namespace {

constexpr TProgression kIntroChords = {{{"Dm", 4}, {"Bb", 4}, {"C", 4}}};
constexpr TProgression kMainChords = {{{"Dm", 4}, {"Bb", 4}, {"F", 4}, {"C", 4}}};
constexpr TProgression kTurnChords = {{{"Gm", 4}, {"Bb", 4}, {"Dm", 4}, {"A", 4}}};
constexpr TProgression kLiftChords = {{{"Bb", 4}, {"C", 4}}};
constexpr TProgression kDriftChords = {{{"Bb", 8}, {"F", 8}, {"C", 8}, {"Dm", 6}, {"A", 4}}};
constexpr TProgression kGlitchChords = {{{"C", 4}}};
constexpr TProgression kCloseChords = {{{"Bb", 4}, {"Gm", 4}, {"A7", 4}}};
constexpr TProgression kFinalChords = {{{"D", 12}}};

// ---- Melodies --------------------------------------------------------------

// A1, over D minor, B flat, F, C.
constexpr TPhrase kA1 = Phrase(64, {{0, 4, "A4"},
                                    {4, 2, "D5"},
                                    {6, 2, "C5"},
                                    {8, 6, "D5"},
                                    {14, 2, "F5"},
                                    {16, 4, "F5"},
                                    {20, 2, "D5"},
                                    {22, 2, "Bb4"},
                                    {24, 8, "D5"},
                                    {32, 4, "C5"},
                                    {36, 2, "A4"},
                                    {38, 2, "C5"},
                                    {40, 4, "F5"},
                                    {44, 4, "E5"},
                                    {48, 6, "E5"},
                                    {54, 2, "D5"},
                                    {56, 8, "C5"}});

// A2, the answer: up to the high A and down again.
constexpr TPhrase kA2 = Phrase(64, {{0, 2, "D5"},
                                    {2, 2, "F5"},
                                    {4, 4, "A5"},
                                    {8, 2, "G5"},
                                    {10, 2, "F5"},
                                    {12, 4, "E5"},
                                    {16, 6, "D5"},
                                    {22, 2, "F5"},
                                    {24, 4, "D5"},
                                    {28, 4, "Bb4"},
                                    {32, 4, "A4"},
                                    {36, 4, "C5"},
                                    {40, 4, "F5"},
                                    {44, 4, "A5"},
                                    {48, 8, "G5"},
                                    {56, 4, "E5"},
                                    {60, 4, "C5"}});

// B, over G minor, B flat, D minor, A: ends on the leading tone's chord.
constexpr TPhrase kB = Phrase(64, {{0, 4, "Bb4"},
                                   {4, 4, "D5"},
                                   {8, 2, "C5"},
                                   {10, 2, "Bb4"},
                                   {12, 4, "G4"},
                                   {16, 4, "F4"},
                                   {20, 4, "Bb4"},
                                   {24, 6, "D5"},
                                   {30, 2, "C5"},
                                   {32, 4, "A4"},
                                   {36, 2, "C5"},
                                   {38, 2, "D5"},
                                   {40, 8, "F5"},
                                   {48, 4, "E5"},
                                   {52, 4, "C#5"},
                                   {56, 8, "A4"}});

// The breakdown's slow line, over the drift progression.
constexpr TPhrase kSlow = Phrase(136, {{0, 12, "D5"},
                                       {12, 4, "C5"},
                                       {16, 16, "Bb4"},
                                       {32, 12, "A4"},
                                       {44, 4, "C5"},
                                       {48, 16, "F5"},
                                       {64, 12, "E5"},
                                       {76, 4, "D5"},
                                       {80, 16, "C5"},
                                       {96, 16, "D5"},
                                       {112, 8, "A4"},
                                       {120, 16, "C#5"}});

// The closing cadence: the G over A7 resolves to F sharp on D.
constexpr TPhrase kEnd = Phrase(48, {{0, 6, "D5"},
                                     {6, 2, "C5"},
                                     {8, 4, "Bb4"},
                                     {12, 4, "D5"},
                                     {16, 4, "G5"},
                                     {20, 2, "F5"},
                                     {22, 2, "D5"},
                                     {24, 8, "Bb4"},
                                     {32, 6, "C#5"},
                                     {38, 2, "E5"},
                                     {40, 8, "G5"}});
// The F sharp held over the last chord.
constexpr TPhrase kFinal = Phrase(44, {{0, 32, "F#5"}});

// Each phrase fits the section it is played in, so no line is cut short:
// the shorter sections have versions of the themes that end in time.
// A1's first 11 beats, then down to C in 3: 14 beats, ending on C over C.
constexpr TPhrase kA1Short =
    CutAndEnd(kA1, 44, 56, {{44, 2, "E5"}, {46, 2, "D5"}, {48, 2, "E5"}, {50, 6, "C5"}});
// A1's first 6 beats, then up to F: 8 beats, ending on F over F where the
// roll takes over.
constexpr TPhrase kA1Lead = CutAndEnd(kA1, 24, 32, {{24, 4, "E5"}, {28, 4, "F5"}});
// B with its last four notes two sixteenths shorter each: 14 beats, ending
// on A over A.
constexpr TPhrase kBShort = Hurried(kB, 40, 2);

// ---- Patterns --------------------------------------------------------------

constexpr TBassPattern kBassOffbeat = {
    2, {kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 0, kNo, kNo, kNo, 12, kNo}};
constexpr TBassPattern kBassRolling = {
    1, {kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 0, 12, kNo, 0, 12, 0}};
constexpr TBassPattern kBassBounce = {
    2, {0, kNo, kNo, 12, kNo, kNo, 0, kNo, 0, kNo, kNo, 12, kNo, kNo, 7, kNo}};
// The last chorus's: off-beat octaves that climb through the fifth and the
// seventh into the next bar.
constexpr TBassPattern kBassDrive = {
    2, {kNo, kNo, 0, kNo, kNo, kNo, 12, kNo, kNo, kNo, 0, kNo, kNo, 7, 10, 12}};
constexpr TBassPattern kBassHold = {0, {}, true};

}  // namespace

constexpr int8_t kArpeggio[8] = {1, 2, 3, 4, 3, 2, 3, 4};
constexpr int8_t kBubbleTones[kBarSteps] = {1,   kNo, 3,   kNo, kNo, 2,   kNo, 4,
                                            kNo, 3,   kNo, kNo, 1,   kNo, 4,   kNo};
constexpr uint16_t kStabSteps = (1 << 3) | (1 << 6) | (1 << 11) | (1 << 14);

namespace {

// ---- Sections --------------------------------------------------------------

// The song, section by section; each starts where the one before ends.
constexpr TSection kSections[] = {
    {
        .name = "intro",
        .beats = 12,
        .chords = &kIntroChords,
        .bass = nullptr,
        .parts = kPad | kArp | kFadeIn | kRiserEnd,
        .phrases = {},
        .level = 1.6f,
        .brightFrom = 0.0f,
        .brightTo = 0.35f,
        .accents = kNoAccents,
        .fader = 4.5f,
        .width = 0.45f,
    },
    {
        .name = "groove",
        .beats = 16,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kHats8 | kPad | kCrash | kFills | kArpLate,
        .phrases = {},
        .level = 0.8f,
        .brightFrom = 0.2f,
        .brightTo = 0.45f,
        .accents = kOnFirstBeat,
        .fader = 4.7f,
    },
    {
        .name = "theme",
        .beats = 16,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats16 | kPad | kCrash | kFills,
        .phrases = {&kA1},
        .level = 0.85f,
        .brightFrom = 0.35f,
        .brightTo = 0.6f,
        .accents = kOnBars,
        .fader = 3.5f,
        .width = 0.9f,
    },
    {
        .name = "turn",
        .beats = 14,
        .chords = &kTurnChords,
        .bass = &kBassRolling,
        .parts = kKick | kSnare | kHats16 | kStabs | kPad | kTomFill,
        .phrases = {&kBShort},
        .level = 0.85f,
        .brightFrom = 0.4f,
        .brightTo = 0.65f,
        .accents = kOnBars,
        .fader = 3.0f,
    },
    {
        .name = "lift",
        .beats = 8,
        .chords = &kLiftChords,
        .bass = &kBassRolling,
        .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kArp | kCrash | kRiserEnd,
        .phrases = {},
        .level = 0.9f,
        .brightFrom = 0.45f,
        .brightTo = 0.9f,
        .accents = kOnBars,
        .fader = 2.0f,
    },
    {
        .name = "chorus",
        .beats = 16,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash | kKickOutEnd |
                 kRiserEnd | kFills,
        .phrases = {&kA2},
        .level = 1.0f,
        .brightFrom = 0.6f,
        .brightTo = 0.9f,
        .accents = kOnBars,
        .fader = 3.0f,
        .width = 0.85f,
    },
    {
        .name = "breakdown",
        .beats = 34,
        .chords = &kDriftChords,
        .bass = nullptr,
        .parts = kPad | kArp | kCrash | kBuild,
        .phrases = {&kSlow},
        .level = 0.6f,
        .brightFrom = 0.1f,
        .brightTo = 0.7f,
        .accents = kNoAccents,
        .fader = 6.5f,
        .width = 0.45f,
    },
    // The tile wall covers the background through the drop, so only its
    // first beat, one of the big moments, flashes.
    {
        .name = "drop",
        .beats = 14,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kCrash | kFills,
        .phrases = {&kA1Short},
        .level = 1.0f,
        .brightFrom = 0.75f,
        .brightTo = 0.9f,
        .accents = kOnFirstBeat,
        .bigFirst = true,
        .fader = 5.0f,
    },
    {
        .name = "half time",
        .beats = 22,
        .chords = &kTurnChords,
        .bass = &kBassRolling,
        .parts = kKick | kHalfSnare | kHats16 | kPad | kArp | kTomFill | kFills,
        .phrases = {&kB},
        .level = 0.8f,
        .brightFrom = 0.3f,
        .brightTo = 0.7f,
        .accents = kOnBars,
        .fader = 3.0f,
    },
    {
        .name = "build",
        .beats = 16,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats8 | kPad | kCrash,
        .phrases = {&kA2},
        .level = 0.9f,
        .brightFrom = 0.4f,
        .brightTo = 0.6f,
        .accents = kOnBars,
        .fader = 3.0f,
        .width = 0.9f,
    },
    // The way into the glitch steps back to let the roll and the riser
    // carry the level up through its last 8 beats.
    {
        .name = "roll",
        .beats = 12,
        .chords = &kMainChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats8 | kPad | kArp | kBuild,
        .phrases = {&kA1Lead},
        .level = 0.6f,
        .brightFrom = 0.6f,
        .brightTo = 0.85f,
        .accents = kOnBars,
        .fader = -1.5f,
    },
    {
        .name = "glitch",
        .beats = 2,
        .chords = &kGlitchChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats16 | kPad | kCrash,
        .phrases = {},
        .level = 1.0f,
        .brightFrom = 0.9f,
        .brightTo = 0.9f,
        .accents = kOnFirstBeat,
        .bigFirst = true,
        .fader = -1.0f,
    },
    // The glitch's stutter fills the first 1.6 beats; the pick-up follows.
    {
        .name = "pick-up",
        .beats = 2,
        .chords = &kMainChords,
        .bass = nullptr,
        .parts = kPickUp,
        .phrases = {},
        .level = 1.0f,
        .brightFrom = 0.7f,
        .brightTo = 0.7f,
        .accents = kNoAccents,
        .fader = 1.5f,
    },
    {
        .name = "last chorus",
        .beats = 36,
        .chords = &kMainChords,
        .bass = &kBassDrive,
        .parts = kKick | kSnare | kHats16 | kOpenHats | kPad | kStabs | kArp | kCrash | kTomFill |
                 kFills | kCounter | kKickPush,
        .phrases = {&kA1, &kA2},
        .level = 1.3f,
        .brightFrom = 0.7f,
        .brightTo = 1.0f,
        .accents = kOnBars,
        .bigFirst = true,
        .fader = 5.5f,
        .width = 0.85f,
    },
    {
        .name = "bubbles",
        .beats = 20,
        .chords = &kTurnChords,
        .bass = &kBassBounce,
        .parts = kKick | kClap | kHats8 | kPad | kBubbles | kCrash | kFills,
        .phrases = {},
        .level = 0.8f,
        .brightFrom = 0.6f,
        .brightTo = 0.3f,
        .accents = kOnBars,
    },
    {
        .name = "cadence",
        .beats = 10,
        .chords = &kCloseChords,
        .bass = &kBassOffbeat,
        .parts = kKick | kSnare | kHats16 | kPad | kStabs,
        .phrases = {&kEnd},
        .level = 0.75f,
        .brightFrom = 0.5f,
        .brightTo = 0.3f,
        .accents = kNoAccents,
        .fader = -1.0f,
    },
    // The last chord lands two beats before the closing card goes, while it
    // is still lit, and its flash is over within the beat.
    {
        .name = "last chord",
        .beats = 13,
        .chords = &kFinalChords,
        .bass = &kBassHold,
        .parts = kKickOnce | kPad | kCrash,
        .phrases = {&kFinal},
        .level = 0.75f,
        .brightFrom = 0.4f,
        .brightTo = 0.1f,
        .accents = kOnFirstBeat,
        .width = 0.85f,
    },
};
constexpr int kSectionCount = static_cast<int>(std::size(kSections));

// ---- Checks ----------------------------------------------------------------
// Everything below is worked out from the tables above, or checks them.

// The sections with their starts: each where the one before ends.
constexpr std::array<TSection, kSectionCount> PlaceSections() {
  std::array<TSection, kSectionCount> placed = {};
  int beat = 0;
  for (int i = 0; i < kSectionCount; ++i) {
    placed[i] = kSections[i];
    placed[i].start = beat;
    beat += kSections[i].beats;
  }
  return placed;
}
constexpr std::array<TSection, kSectionCount> kPlaced = PlaceSections();

static_assert(kPlaced[kSectionCount - 1].start + kPlaced[kSectionCount - 1].beats == kSongBeats,
              "the sections fill the song");

// Whether every chord a section names is in kChords.
constexpr bool ChordsAreNamed() {
  for (const TSection& section : kSections) {
    const TProgression& p = *section.chords;
    for (int c = 0; c < ProgressionLength(p); ++c) {
      bool found = false;
      for (const TChord& chord : kChords) found = found || SameName(chord.name, p.chords[c].chord);
      if (!found || p.chords[c].beats <= 0) return false;
    }
    if (ProgressionLength(p) == 0) return false;
  }
  return true;
}
static_assert(ChordsAreNamed(), "a progression names a chord kChords does not voice");

// Each section starts on its scene's boundary in the demo's timeline, so the
// music cannot drift from the picture.
constexpr bool StartsAt(const char* name, double demoUnits) {
  for (const TSection& section : kPlaced) {
    if (SameName(section.name, name)) return section.start * kBeatUnits == demoUnits;
  }
  return false;
}
static_assert(
    StartsAt("groove", kEchoImage1Window.start) && StartsAt("theme", kEchoImage2Window.start) &&
        StartsAt("turn", kUnfoldImageWindow.start) && StartsAt("lift", kPointTunnelWindow.start) &&
        StartsAt("chorus", kWavySlicesWindow.start) &&
        StartsAt("breakdown", kParticleMorphWindow.start) &&
        StartsAt("drop", kTileGridWindow.start) && StartsAt("half time", kColorSplitWindow.start) &&
        StartsAt("build", kModelShowcaseWindow.start) && StartsAt("glitch", kGlitchWindow.start) &&
        StartsAt("pick-up", kSettlingSlicesWindow.start) &&
        StartsAt("bubbles", kLensBubblesWindow.start) &&
        StartsAt("cadence", kClosingTitleWindow.start) &&
        StartsAt("last chord", kClosingTitleWindow.end - 2 * kBeatUnits),
    "a section of the song has left its scene's boundary in the timeline");

}  // namespace

const TSong kSong = {kPlaced.data(), kSectionCount};
