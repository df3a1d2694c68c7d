// The player's music: the decoded PCM streamed through SDL2_mixer's music
// hook, so that it can stop, start and jump at any sample frame, and a
// report of where the stream is, which the player's clock follows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/audio/sound.h"

// Opens sound output (44.1 kHz stereo, blocks of 1024 frames) with the
// output's own diagnostics kept off stderr. False, with SDL's reason in
// *why, when none opens.
bool OpenPlayerSound(std::string* why);
// Opens the same output on SDL's silent driver, whatever SDL_AUDIODRIVER
// names, so that the music still decodes (and meters) when no sound opens.
bool OpenSilentPlayerSound();
// Puts the calling thread (the one decoding the music) behind the others on
// a busy machine: its nice value on Linux (1..19), below normal on Windows.
void LowerDecoderPriority(int nice);
// Streams pcm (which must outlive the stream) from frame 0, paused. Past
// the end of the music the stream plays silence and keeps counting.
void StartPlayerMusic(const TPcm* pcm);
void SetPlayerMusicPaused(bool paused);
// Moves the stream to a sample frame (44.1 kHz); the next block starts there.
void SeekPlayerMusic(int64_t frame);
// The stream's volume, 0 to 100 %, and whether it is muted: its samples
// are scaled by PlayerMusicGain() as they are mixed (the mixer's own volume
// does not reach the hook). The stream keeps its place while muted.
void SetPlayerMusicVolume(int percent, bool muted);
// 0..1: percent / 100, 0 while muted.
float PlayerMusicGain();
// Fills `frames` stereo frames of out from pcm's frame `from` on (silence
// past its end), scaled by gain (0..1): the block the mixer hands on.
void FillPlayerBlock(const TPcm& pcm, int64_t from, float gain, int16_t* out, int64_t frames);
// Where the music is at clock time nowMs (PlayerClockMs, the SDL clock): the first frame of
// the block being mixed, plus the time since it was handed to the output,
// at most one block. Milliseconds of music; -1 before the first block.
double PlayerMusicMs(double nowMs);
