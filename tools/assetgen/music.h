// The music generator's parts: a small synthesiser (music_synth.cpp), the
// mixing and mastering steps (music_mix.cpp), the song and the writer that
// masters and encodes "kel.mp3" (music.cpp). The song is a score of tables
// (music_score.cpp, written in the types of music_song.h) that the arranger
// (music_arrange.cpp, with music_arrange.h) plays through the players of
// its parts (music_drums.cpp, music_pitched.cpp); music_master.cpp mixes and
// masters it.
//
// Everything runs at the demo's 44.1 kHz on float stereo buses, full scale
// 1.0. Times are sample frames from the first sample of the song, which is
// demo time 0. One beat is kBeatUnits (5) demo units, exactly 22500 frames
// (510.2 ms, 117.6 BPM), so every scene boundary of the timeline falls on a
// beat.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"

constexpr int kSongRate = kMusicRate;  // frames per second, the demo's
// One beat, kBeatUnits demo units, in frames: 44100 x 5 / 9.8, rounded
// because 0.0098 has no exact double.
constexpr int kBeatFrames =
    static_cast<int>(kSongRate * kBeatUnits / (1000.0 * kDemoUnitsPerMs) + 0.5);
static_assert(kBeatFrames == 22500, "a beat is no longer a whole number of frames");
constexpr int kStepFrames = kBeatFrames / 4;  // a sixteenth note
// 263 beats, 134.2 s: the demo ends at beat 260, the song 3 beats later.
constexpr int kSongBeats = static_cast<int>(kDemoEnd / kBeatUnits) + 3;
constexpr int kSongFrames = kSongBeats * kBeatFrames;

constexpr int BeatFrame(double beat) { return static_cast<int>(beat * kBeatFrames + 0.5); }

// A stereo bus of kSongFrames frames. Writers add into it and clip nothing.
struct TStereo {
  std::vector<float> left, right;
};
void ClearStereo(TStereo* bus);  // kSongFrames frames of silence
// out += gain * in, frame by frame.
void MixInto(const TStereo& in, TStereo* out, float gain);

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
// .. 1 (right); `bright` 0..1 opens a voice's filter. A voice lasts at most
// kLongestVoice frames.

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
// A low boom with a burst of noise: the impact that marks a cut.
// `decaySeconds` is how fast it dies away after its first 110 ms.
void AddImpact(const TSends& to, int at, float gain, float decaySeconds);
void AddBass(const TSends& to, int at, int length, int note, float gain, float bright);
// A sustained chord of up to kChordNotes notes (0 ends the list).
constexpr int kChordNotes = 5;
void AddPad(const TSends& to, int at, int length, const int* notes, float gain, float bright);
void AddPluck(const TSends& to, int at, int length, int note, float gain, float pan, float bright);
// The lead is two voices a few cents apart, one on each side.
void AddLead(const TSends& to, int at, int length, int note, float gain, float attackSeconds,
             float bright);
void AddBubble(const TSends& to, int at, int note, float gain, float pan);
void AddRiser(const TSends& to, int at, int length, float gain);

// ---- Mixing and mastering (music_mix.cpp) ---------------------------------

// Ping-pong echo of `send` added to `out`: `delay` frames, feedback 0..1.
void AddEcho(const TStereo& send, TStereo* out, int delay, float feedback, float gain);
// A hall: the send, delayed by `preDelay` frames, through parallel damped
// combs and allpasses, each side tuned apart for width; added to `out`.
void AddHall(const TStereo& send, TStereo* out, int preDelay, float gain);
// Removes DC and rumble below about 12 Hz, in place.
void BlockDc(TStereo* bus);
// Sidechain duck: the bus dips by up to `depthDb` as `key` hits (the key's
// envelope over `keyLevel`, capped at 1) and recovers over `releaseSeconds`.
void Duck(TStereo* bus, const TStereo& key, float keyLevel, float depthDb, float releaseSeconds);
// Bus compressor: `ratio` above `thresholdDb` (RMS over 10 ms, both sides
// linked), attack and release in seconds.
void Compress(TStereo* bus, float thresholdDb, float ratio, float attack, float release);
// Soft saturation, x -> tanh(drive x) / drive: unity for small signals.
void Saturate(TStereo* bus, float drive);
// Scales the bus to an integrated loudness of `lufs` (EBU R128, gated);
// returns the gain it applied.
float NormaliseLoudness(TStereo* bus, double lufs);
// Integrated loudness of the bus, LUFS (EBU R128: K-weighting, 400 ms
// blocks, absolute and relative gates).
double IntegratedLoudness(const TStereo& bus);
// A look-ahead peak limiter: keeps every frame of the bus within `ceiling`,
// checked between samples too (4x), so the true peak stays under it.
void LimitPeaks(TStereo* bus, float ceiling);
// Removes the side signal (L - R) below `hz`, fourth order, in place: the
// lowest octaves play in the middle, as on a club system.
void MonoBelow(TStereo* bus, double hz);
// Scales the side signal frame by frame: width[i] 0 (mono) .. 1 (as is).
void ScaleSide(TStereo* bus, const std::vector<float>& width);
// Replaces the bus from `to` on with `count` copies of the `slice` frames
// that start at `from`, each gated open for the first `open` (0..1) of it.
void Stutter(TStereo* bus, int from, int to, int slice, int count, float open);

// The flash guard. The demo flashes its background while the RMS of the
// meter's block being played reaches kFlashLevel (demo/timeline.h). accent[b] marks
// the blocks chosen to flash; the accent's own hit carries them over the
// flash line, and the guard only holds them under `loud`, so the flash
// never turns white. An accent flashes once: the blocks of its run after
// the first that falls under `flash`, and every other block, are held
// under `quiet` by a smooth limiter. Blocks where `free[b]` is set are left
// alone. With `hold`, an accent that reaches `flash` is first held over it
// for `hold` blocks of its run, the gain lifted just enough where it would
// fall short, so that its flash is not a blip; that is the only lift.
constexpr int kGuardBlock = kMeterBlockFrames;  // frames, the meter's block
void GuardFlashes(TStereo* bus, const std::vector<bool>& accent, const std::vector<bool>& free,
                  float quiet, float flash, float loud, int hold = 0);

// ---- The song (music_arrange.cpp, playing music_score.cpp) -----------------

// The buses the arrangement renders into. `kick` is the key for the duck:
// the kick drum alone, also mixed into `drums`. `accents` holds the hits
// that flash the demo, which neither the duck nor the sections' faders move.
struct TSongBuses {
  TStereo drums, kick, bass, music, accents;
};
void RenderSong(TSongBuses* buses);
// The accents chosen to flash, in frames, in order.
std::vector<int> SongAccents();
// Sets each section's level in the mix: its fader, in place.
void ShapeSong(TStereo* mix);
// Applies the post-mix events of the arrangement (the stutter, the fade).
void FinishSong(TStereo* mix);
// The stereo width of each frame, 0..1, section by section (kSongFrames).
void SongWidth(std::vector<float>* width);

// ---- The master (music_master.cpp) ----------------------------------------

// The arrangement mixed and mastered, without the flash guard.
void MixSong(TStereo* mix);
// The flash guard over the song's accents, applied to the mastered mix.
void GuardSong(TStereo* mix);
