// What the score of "kel.mp3" is written in: chords by name, melodies of
// named notes, one-bar bass patterns and the sections of the song, each
// naming what plays in it. The score itself (music_score.cpp) is tables of
// these and nothing else; the arranger and the players (music_arrange.cpp,
// music_drums.cpp, music_pitched.cpp) read it.
//
// Beats are counted from the song's start, one every kBeatUnits demo units;
// steps are sixteenth notes. A note is written by its name, "C4" being
// middle C (MIDI 60) and "A4" 440 Hz (MIDI 69), with "#" or "b" after the
// letter for a sharp or a flat: "F#3", "Bb4". A name that is not a note
// stops the build, as every table of the score is a constant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "assetgen/music.h"

// ---- Names -----------------------------------------------------------------

constexpr bool SameName(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// The MIDI number of a note name ("C4" = 60, "F#3" = 54, "Bb4" = 70).
constexpr int NoteNumber(const char* name) {
  constexpr int kLetter[7] = {9, 11, 0, 2, 4, 5, 7};  // semitones above C of A .. G
  if (name[0] < 'A' || name[0] > 'G') throw "a note name starts with a letter A to G";
  int note = kLetter[name[0] - 'A'], at = 1;
  if (name[at] == '#') ++note, ++at;
  if (name[at] == 'b') --note, ++at;
  if (name[at] < '0' || name[at] > '9' || name[at + 1] != '\0') throw "an octave is one digit";
  return note + 12 * (name[at] - '0' + 1);
}

// A MIDI note number written by its name: {0, 4, "A4"} in a melody.
struct TPitch {
  int number = 0;  // MIDI; 0 for none
  constexpr TPitch() = default;
  // Implicit, so that a table writes the name alone.
  constexpr TPitch(const char* name) : number(NoteNumber(name)) {}
  constexpr operator int() const { return number; }
};

// ---- Harmony ---------------------------------------------------------------

struct TChord {
  const char* name;           // as the progressions call it: "Dm", "Bb", "A7"
  TPitch bass;                // the bass's root
  TPitch notes[kChordNotes];  // the pad's voicing, open across three octaves
};
extern const TChord kChords[];
extern const int kChordCount;
// The chord of that name; the score's names are checked when it is built.
const TChord& ChordNamed(const char* name);

struct TChordSpan {
  const char* chord;  // a name in kChords
  int beats;          // how long it lasts
};
// Chords in turn, the list repeating through the section.
constexpr int kMaxProgression = 5;
struct TProgression {
  TChordSpan chords[kMaxProgression];  // up to the first without a name
};
constexpr int ProgressionLength(const TProgression& p) {
  int count = 0;
  while (count < kMaxProgression && p.chords[count].chord) ++count;
  return count;
}

// ---- Melodies --------------------------------------------------------------

struct TNote {
  int step;    // sixteenths from the start of the phrase
  int length;  // sixteenths
  TPitch note;
};

constexpr int kMaxPhraseNotes = 20;
struct TPhrase {
  int steps;  // length of the phrase in sixteenths
  int count;
  TNote notes[kMaxPhraseNotes];
};

// A phrase of `steps` sixteenths.
constexpr TPhrase Phrase(int steps, std::initializer_list<TNote> notes) {
  TPhrase phrase = {steps, 0, {}};
  for (const TNote& note : notes) phrase.notes[phrase.count++] = note;
  return phrase;
}

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

// ---- Patterns --------------------------------------------------------------

constexpr int kBarSteps = 16;
constexpr int8_t kNo = -1;  // a rest in a pattern

struct TBassPattern {
  int length;                // sixteenths per note
  int8_t offset[kBarSteps];  // semitones above the chord's bass, kNo for a rest
  bool held = false;         // a root held through each chord instead, played with the chords
};

// Chord tones (0..4) the arpeggio plays, step by step, and the bubbles
// play, step by step through the bar (kNo for none).
extern const int8_t kArpeggio[8];
extern const int8_t kBubbleTones[kBarSteps];
// The steps of the bar a stab falls on, one bit each (bit 0 the first).
extern const uint16_t kStabSteps;

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
  const char* name;
  int beats;
  const TProgression* chords;
  const TBassPattern* bass;                 // null for none
  uint32_t parts;                           // TPart flags
  const TPhrase* phrases[kSectionPhrases];  // played in turn up to the first null
  float level;                              // the music parts, 1 in a chorus
  float brightFrom, brightTo;               // filters open through the section, 0..1
  TAccents accents;
  bool bigFirst = false;  // the section's first accent is one of the song's big moments
  float fader = 0.0f;     // dB: the whole section in the mix, accents aside
  float width = 1.0f;     // the stereo width, 0 (mono) .. 1
  int start = 0;          // beats from the song's start: the sum of the sections before
};

// The song, section by section, each start filled in (music_score.cpp).
struct TSong {
  const TSection* sections;
  int count;
  const TSection* begin() const { return sections; }
  const TSection* end() const { return sections + count; }
};
extern const TSong kSong;
