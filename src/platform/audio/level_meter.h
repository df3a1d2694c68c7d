// The music level meter, as a pure function over PCM, so that the live demo,
// the capture tool and the tests all measure the same level.
//
// The level reads like a VU meter: the RMS, over both channels, of the
// mixing block being played, divided by 32768. 0 for silence, 0.707 for a
// full-scale sine, 1 only for a full-scale square wave. A block is
// kMeterBlockFrames sample frames (23.2 ms at 44.1 kHz), counted from the
// first sample of the music. The frame driver flashes the background at
// twice this level once it reaches 0.2, so a block flashes when its RMS is
// at least -20 dBFS: accents of a normally mastered track, not every hit.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMusicRate = 44100;        // sample frames per second
constexpr int kMusicChannels = 2;        // interleaved stereo
constexpr int kMeterBlockFrames = 1024;  // the mixer's block, in frames

// RMS of `count` interleaved 16-bit samples (both channels together), 0..1.
float RmsLevel(const int16_t* samples, size_t count);

// The level the meter shows `ms` milliseconds after playback started: the
// RMS of the block holding that moment. 0 before the start and after the
// end of the music. `frames` counts stereo frames in `pcm`.
float MusicLevelAt(const int16_t* pcm, size_t frames, double ms);
