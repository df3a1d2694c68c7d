// The capture's side of Debian's ffmpeg and ffprobe. ffmpeg reads one stream
// on its standard input and the music's PCM on its descriptor 3, which the
// video (frames on stdin) and the join (the list of segments on stdin)
// share. Both programs are children like any other (children.h): watched,
// ended with the capture, their complaints caught and named in one line.
// Files are handed to them as "file:NAME", so that a name with a colon in it
// is never read as a protocol.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/children.h"

// Milliseconds ffmpeg has, once a stopping signal has come, to finish the
// file before it is killed; the whole capture ends within 5 s.
constexpr int kFfmpegStopMs = 3000;

struct TFfmpeg {
  TRun run;
  int inputFd = -1;  // its standard input
  int audioFd = -1;  // its descriptor 3
};

// Starts ffmpeg with `args` (after the program name) in a process group of
// its own, so Ctrl-C reaches only the capture, which then closes the pipes
// and lets ffmpeg finish. False, with a line in *error, when it cannot start.
bool StartFfmpeg(TChildren* children, const std::vector<std::string>& args, TFfmpeg* ffmpeg,
                 std::string* error);
// Waits for ffmpeg to end (once a stopping signal has come, kFfmpegStopMs at
// most, then it is killed). False, with a line naming `what` and ffmpeg's own
// last complaint in *error, unless it ended with status 0; the complaint
// names `what` where ffmpeg named `file`, the hidden file being written.
bool FinishFfmpeg(TChildren* children, TFfmpeg* ffmpeg, const std::string& file,
                  const std::string& what, std::string* error);

// Runs ffprobe with `args` and puts what it printed in *out. False, with a
// line in *error, when it is missing or fails, or with "stopped" when it was
// killed: once a stopping signal has come it has stopMs to finish (0 for a
// step the signal cancels, more for checking what a stopped capture made).
bool RunFfprobe(TChildren* children, const std::vector<std::string>& args, int stopMs,
                std::string* out, std::string* error);
// The video frames in `file`, counted by reading every packet; -1, with a
// line in *error, when ffprobe cannot read it. Runs to the end after a
// stopping signal too, for kFfmpegStopMs at most.
int64_t CountVideoFrames(TChildren* children, const std::string& file, std::string* error);

// Decodes the picture of `file` once (ffmpeg's null muxer). False, with a
// line naming `label` and ffmpeg's complaint in *error, when the decoder
// finds an error; "stopped" when a stop cut it short (kFfmpegStopMs after
// the signal at most).
bool DecodesCleanly(TChildren* children, const std::string& file, const std::string& label,
                    std::string* error);

// "file:NAME", for ffmpeg's and ffprobe's command lines.
std::string FileUrl(const std::string& name);
// text with `file` (and "file:FILE") put as `label`: ffmpeg's and ffprobe's
// complaints name the hidden file being written, which the user never sees.
std::string NamedAs(std::string text, const std::string& file, const std::string& label);
// ffmpeg's input arguments for the PCM on descriptor 3: s16le, stereo, 44.1 kHz.
std::vector<std::string> FfmpegPcmInput();
// Its output arguments for the music as AAC, cut where the picture ends,
// and an MP4 that starts playing before it has loaded (+faststart).
std::vector<std::string> FfmpegAacOutput(const std::string& target);

// Writes the music from sample frame `first` for `count` frames, silence
// where the music has ended, then closes fd. Stops early when *stop is set.
// Runs on a thread of its own, so neither pipe can stall the other however
// ffmpeg interleaves its reads.
void WriteAudio(int fd, int64_t first, int64_t count, const std::atomic<bool>* stop);

// Waits up to 100 ms (less when a signal comes) for the non-blocking pipe
// fd to take more.
void WaitWritable(int fd);
// Writes all of `size` bytes to a non-blocking pipe, waiting in
// WaitWritable; false when the reader has gone or *stop is set.
bool WriteAll(int fd, const void* data, size_t size, const std::atomic<bool>* stop);
