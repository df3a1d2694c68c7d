// How long MPEG audio plays, read from its frame headers without decoding
// it, so that a file can be refused before the decoder holds it all in
// memory.
//
// The result is an upper bound: no decoder can find more. Each MPEG audio
// frame starts with a 4-byte header that gives its length in bytes and its
// samples, and a decoder plays frames that start at such headers and do not
// overlap. So the scan walks the stream byte by byte and, at every header,
// keeps both readings: the frame is real (its time counts and the walk goes
// on after it) or it is a chance sync inside other data (the walk goes on at
// the next byte). The longest of all these readings is the bound: for a
// clean stream it is the stream's own length, and garbage adds at most the
// frames a decoder could be fooled into playing there. A free-format frame
// (bitrate index 0) gives no length, so it counts as one frame per header
// and the walk steps one byte. A last frame cut short by the end of the file
// still counts. An ID3v2 tag at the start is skipped by its size, as
// decoders skip it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Times are counted in ticks of 1/14112000 s: every MPEG sample rate divides
// this, so each frame lasts a whole number of ticks.
constexpr int64_t kSoundTicksPerSecond = 14112000;

// The bound, in ticks, for the first `size` bytes of the open file `fd`. It
// reads with ReadDescriptorAt (regular_file.h), in pieces of 64 KiB, and leaves the file's offset
// where it was. -1, with errno set, when reading fails.
int64_t MpegAudioTicks(int fd, int64_t size);
// The same over bytes in memory.
int64_t MpegAudioTicks(const unsigned char* data, size_t size);

// Gapless playback. An encoder such as LAME starts the stream with a frame
// that holds no audio (the Xing or Info frame, which counts the frames), and
// the audio itself starts `delay` samples into the first real frame and ends
// `padding` samples before the end of the last; a decoder adds its own 529
// samples of delay on top. libmpg123 reads the tag and removes all of it;
// SDL2_mixer's built-in decoder (dr_mp3, the Windows build's) plays the
// Info frame as silence and keeps the rest. Trimming in the sound layer by
// what the tag says, whatever the decoder did, gives every platform the same
// samples, so the level meter reads the same blocks at the same moments.
struct TGapless {
  int64_t musicFrames = -1;  // sample frames of the music itself; -1 when there is no tag
  int64_t lead = 0;          // frames a decoder that trims nothing adds at the start
  int64_t tail = 0;          // and at the end
};
// Reads the Info/Xing frame and its LAME extension at the start of the open
// file `fd` of `size` bytes (after any ID3v2 tag). No tag: musicFrames -1.
TGapless ReadGapless(int fd, int64_t size);
TGapless ReadGapless(const unsigned char* data, size_t size);
// Of `decodedFrames` sample frames, the first to keep and how many: the
// frames beyond the music's own length are taken off the end (up to `tail`)
// and then off the start (up to `lead`), so a decoder that trimmed already
// loses nothing, and one that skipped only the Info frame loses the rest.
void TrimGapless(const TGapless& gapless, int64_t decodedFrames, int64_t* first, int64_t* count);
// Whether the file is MPEG audio that a decoder reads as MP3: a layer III
// frame header at its first byte, or an ID3v2 tag followed at once by one.
// Anything else (Ogg, FLAC, WAV, a frame header of another layer) would be
// handed to another decoder, which this scan does not bound, so it is
// refused before any decoder sees it. "" when it is; otherwise what it is,
// as a phrase for a message ("an Ogg stream, not MPEG audio"). Reads at
// most 14 bytes with pread; "" is never returned when reading fails.
std::string MpegAudioFormatProblem(int fd, int64_t size);
// The same over bytes in memory.
std::string MpegAudioFormatProblem(const unsigned char* data, size_t size);

// "7:00:03", "2:05": a time in ticks as h:mm:ss, or m:ss under an hour,
// rounded up to the next second.
std::string FormatPlayingTime(int64_t ticks);
