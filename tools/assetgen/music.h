// The music generator's parts: a small synthesiser (music_synth.cpp), the
// mixing steps (music_mix.cpp), the arrangement (music_score.cpp) and the
// writer that masters and encodes "kel.mp3" (music.cpp).
//
// Everything runs at 44.1 kHz on float stereo buses, full scale 1.0. Times
// are sample frames from the first sample of the song, which is demo time 0.
// One beat is 5 demo units, exactly 22500 frames (510.2 ms, 117.6 BPM), so
// every scene boundary of the timeline falls on a beat.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kSongRate = 44100;              // frames per second
constexpr int kBeatFrames = 22500;            // one beat, 5 demo units
constexpr int kStepFrames = kBeatFrames / 4;  // a sixteenth note
constexpr int kSongBeats = 263;               // 134.2 s; the demo ends at beat 260
constexpr int kSongFrames = kSongBeats * kBeatFrames;

constexpr int BeatFrame(double beat) { return static_cast<int>(beat * kBeatFrames + 0.5); }

// A stereo bus of kSongFrames frames. Writers add into it and clip nothing.
struct TStereo {
  std::vector<float> left, right;
};
void ClearStereo(TStereo* bus);  // kSongFrames frames of silence

// Deterministic white noise, -1..1; each hit seeds its own generator.
struct TNoise {
  uint32_t state;
  float Next();
};

// ---- Instruments (music_synth.cpp) ----------------------------------------
// Each voice is rendered once and added to every bus of its sends, scaled by
// that bus's gain (the dry bus and the effect sends). `at` and `length` are
// frames; `note` is a MIDI note number (69 = A 440 Hz); `gain` is the peak
// amplitude of a drum hit, or the level of a tonal voice; `pan` is -1 (left)
// .. 1 (right). A voice lasts at most kLongestVoice frames.

constexpr int kMaxSends = 3;
struct TSends {
  TStereo* bus[kMaxSends];  // null for an unused send
  float gain[kMaxSends];
};
constexpr int kLongestVoice = 7 * kSongRate;

void AddKick(const TSends& to, int at, float gain);
void AddSnare(const TSends& to, int at, float gain, float decaySeconds);
void AddClap(const TSends& to, int at, float gain);
void AddHat(const TSends& to, int at, float gain, bool open, float pan);
void AddCrash(const TSends& to, int at, float gain);
void AddTom(const TSends& to, int at, int note, float gain, float pan);
void AddBass(const TSends& to, int at, int length, int note, float gain);
// A sustained chord of up to kChordNotes notes (0 ends the list).
constexpr int kChordNotes = 4;
void AddPad(const TSends& to, int at, int length, const int* notes, float gain);
void AddPluck(const TSends& to, int at, int length, int note, float gain, float pan, float bright);
void AddLead(const TSends& to, int at, int length, int note, float gain, float attackSeconds);
void AddBubble(const TSends& to, int at, int note, float gain, float pan);
void AddRiser(const TSends& to, int at, int length, float gain);

// ---- Mixing (music_mix.cpp) -----------------------------------------------

// Ping-pong echo of `send` added to `out`: `delay` frames, feedback 0..1.
void AddEcho(const TStereo& send, TStereo* out, int delay, float feedback, float gain);
// A small room: parallel damped combs into allpasses, added to `out`.
void AddReverb(const TStereo& send, TStereo* out, float gain);
// Removes DC and rumble below about 12 Hz, in place.
void BlockDc(TStereo* bus);
// A look-ahead peak limiter: keeps every frame of the bus within `ceiling`.
void LimitPeaks(TStereo* bus, float ceiling);
// Scales `music` so that |music + drums| stays within ceiling[i] wherever the
// drums alone do: the music bends around the drum hits, so the peak level
// is high only on the hits. ceiling has one value per beat (kSongBeats).
void FitUnderDrums(TStereo* music, const TStereo& drums, const float* ceiling);
// Replaces the bus from `to` on with `count` copies of the `slice` frames
// that start at `from`, each gated open for the first `open` (0..1) of it.
void Stutter(TStereo* bus, int from, int to, int slice, int count, float open);

// ---- The song (music_score.cpp) -------------------------------------------

// Renders the whole arrangement: `drums` gets the hits that make the level
// peak (kick, snare, clap), `music` everything else. Both start silent.
void RenderSong(TStereo* drums, TStereo* music);
// Per-beat ceiling for the music under the drums (FitUnderDrums).
void SongCeiling(float* ceiling);
// Applies the post-mix events of the arrangement (the stutter, the fade).
void FinishSong(TStereo* mix);
