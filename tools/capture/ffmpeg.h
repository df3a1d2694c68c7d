// The capture's side of Debian's ffmpeg: a child process reading one stream
// on its standard input and the music's PCM on its descriptor 3, which the
// video (frames on stdin) and the join (the list of segments on stdin) share.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Starts ffmpeg with `args` (after the program name) in a process group of
// its own, so Ctrl-C reaches only the capture, which then closes the pipes
// and lets ffmpeg finish. *inputFd writes to its standard input, *audioFd to
// its descriptor 3. Returns its process id, or -1 with errno set.
pid_t StartFfmpeg(const std::vector<std::string>& args, int* inputFd, int* audioFd);
// Waits for ffmpeg; false, with the reason on stderr, unless it made
// `target` and exited with status 0.
bool FinishFfmpeg(pid_t ffmpeg, const std::string& target);

// ffmpeg's input arguments for the PCM on descriptor 3: s16le, stereo, 44.1 kHz.
std::vector<std::string> FfmpegPcmInput();
// Its output arguments for the music as AAC and an MP4 that starts playing
// before it has loaded (+faststart).
std::vector<std::string> FfmpegAacOutput(const std::string& target);

// Writes the music from sample frame `first` for `count` frames, silence
// where the music has ended, then closes fd. Stops early when *stop is set.
// Runs on a thread of its own, so neither pipe can stall the other however
// ffmpeg interleaves its reads.
void WriteAudio(int fd, int64_t first, int64_t count, const std::atomic<bool>* stop);

// Writes all of `size` bytes; false when the reader has gone.
bool WriteAll(int fd, const void* data, size_t size);
