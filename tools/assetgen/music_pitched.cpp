// The pitched parts: the pads and a held bass chord by chord, the lead's
// melodies and counter-line, and the bass, stabs, arpeggio and bubbles
// sixteenth by sixteenth. The arranger (music_arrange.cpp) calls them.
#include <algorithm>

#include "assetgen/music.h"
#include "assetgen/music_arrange.h"
#include "assetgen/music_song.h"

namespace {

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

}  // namespace

void PlayPhrases(const TSection& section, const TBuses& out) {
  int step = 0;  // sixteenths from the section's start
  const int end = section.beats * 4;
  const float attack = section.accents == kNoAccents ? 0.05f : 0.006f;
  for (int p = 0; p < kSectionPhrases && step < end; ++p) {
    if (!section.phrases[p]) break;
    const TPhrase& phrase = *section.phrases[p];
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
  const int end = section.start + section.beats;
  for (int beat = section.start; beat < end;) {
    int chordStart = 0, chordBeats = 0;
    const TChord& chord = ChordAt(section, beat, &chordStart, &chordBeats);
    const int beats = std::min(chordBeats - (beat - chordStart), end - beat);
    const float grow =
        (parts & kFadeIn) ? 0.45f + 0.55f * (beat - section.start) / section.beats : 1.0f;
    if (parts & kPad) {
      const int length = beats * kBeatFrames - kStepFrames;
      int notes[kChordNotes];
      for (int n = 0; n < kChordNotes; ++n) notes[n] = chord.notes[n];
      AddPad(out.Music(0.0f, 1.0f), BeatFrame(beat), length, notes, kPadGain * section.level * grow,
             BrightAt(section, beat));
    }
    if (section.bass && section.bass->held) {
      AddBass(out.Bass(), BeatFrame(beat), beats * kBeatFrames - kStepFrames, chord.bass, kBassGain,
              0.2f);
    }
    beat += beats;
  }
}

// The section's bass pattern over the chord's root (a held bass is played
// with the chords).
void PlayBass(const TBeat& b, const TStep& step, const TBuses& out) {
  if (!b.section.bass || b.section.bass->held) return;
  const TBassPattern& pattern = *b.section.bass;
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
