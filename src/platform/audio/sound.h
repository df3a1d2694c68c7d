// The sound layer over SDL2_mixer: what start-up and the frame driver need of
// a sound library (open output, load a whole file, play it, report its
// level), plus the decoder the capture tool uses to get the same PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Decoded music: interleaved signed 16-bit stereo at 44.1 kHz.
struct TPcm {
  std::vector<int16_t> samples;
  size_t Frames() const { return samples.size() / 2; }
};

// The longest music decoded, in seconds. The whole of it is held in memory
// as 16-bit stereo at 44.1 kHz (10.6 MB a minute), and SDL2_mixer keeps a
// decoded length in 32 bits, which 6.8 hours overflow. Longer music is
// refused, its length read from the file before decoding (sound_length.h),
// and the demo runs in silence.
constexpr int kMaxMusicSeconds = 20 * 60;

// Opens 44.1 kHz stereo output with a mixing block of 1024 frames. False,
// with SDL's reason in *error, when no output can be opened.
bool OpenSoundOutput(int mixRate, int maxChannels, std::string* error);
// Decodes a whole file into memory; null when it is missing, unreadable or
// longer than kMaxMusicSeconds. Any reason but a missing file (or one that
// is not a regular file, which start-up counts as missing) goes to stderr.
void* LoadSoundSample(const char* fileName);
// Plays a loaded sample once on the first free channel; returns the channel.
int PlaySoundSample(void* sample);
// 0..1: RMS of the block being mixed for the channel now (level_meter.h).
float SoundChannelLevel(int channel);

// Decodes a file exactly as LoadSoundSample does, without opening any output
// device. False, with a reason naming the file, when it cannot be decoded:
// "FILE is missing", or "FILE: REASON" ("FILE: 7:00:03 long, over the
// 20-minute limit the demo decodes").
bool DecodeSoundFile(const char* fileName, TPcm* pcm, std::string* error);
