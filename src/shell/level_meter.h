// The music level meter, as a pure function over PCM, so that the live demo,
// the capture tool and the tests all measure the same level.
//
// The level is the peak absolute sample value, over both channels, of the
// mixing block being played, divided by 32768: 0 for silence, 1 for a full
// scale peak. A block is kMeterBlockFrames sample frames (23.2 ms at
// 44.1 kHz), counted from the first sample of the music.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMusicRate = 44100;        // sample frames per second
constexpr int kMusicChannels = 2;        // interleaved stereo
constexpr int kMeterBlockFrames = 1024;  // the mixer's block, in frames

// Peak of `count` interleaved 16-bit samples, 0..1.
float PeakLevel(const int16_t* samples, size_t count);

// The level the meter shows `ms` milliseconds after playback started: the
// peak of the block holding that moment. 0 before the start and after the
// end of the music. `frames` counts stereo frames in `pcm`.
float MusicLevelAt(const int16_t* pcm, size_t frames, double ms);
