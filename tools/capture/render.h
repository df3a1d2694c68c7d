// The capture's side of the offscreen rig: load the demo once, then draw any
// frame at an exact time and read it back, and write it as a PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/children.h"
#include "capture/output.h"
#include "capture/progress.h"
#include "platform/audio/sound.h"

// Decodes "kel.mp3" from the data directory, once per process; a capture
// without it is silent, as the demo is.
void LoadCaptureMusic(const TCaptureOptions& options);
// Opens the rig at the options' size, loads the music, puts the shared
// generator back to its start and runs LoadDemo. False, with the reason in
// *error, when the rig or LoadDemo fails.
bool OpenCapture(const TCaptureOptions& options, std::string* error);
// The decoded music: signed 16-bit stereo at 44.1 kHz; empty when silent.
const TPcm& CaptureMusic();

// The music level a frame `ms` milliseconds after demo time 0 is drawn with
// (DrawFrameAt): the level of that moment of the decoded music, or the
// --level override.
float CaptureLevel(double ms);
// The level frame `frame` at `rate` is drawn with: CaptureLevel of its
// moment, or under --reduce-flashing the reduced flash's (FlashLevel).
float CaptureFrameLevel(int64_t frame, TFrameRate rate);
// The same for a single moment d (demo units), as --at and --sheet draw it.
float CaptureMomentLevel(double d);
// The colour buffer as RGB rows, top row first, into rgb (width x height x 3).
void ReadFrameTopFirst(uint8_t* rgb);
// The same with the bottom row first, as GL hands it over.
void ReadFrameBottomFirst(uint8_t* rgb);
// Writes the frame just read as a PNG, whole or not at all (WritePngWhole);
// prints what failed.
bool WriteFramePng(const std::string& fileName, const uint8_t* rgb, int width, int height);

// The verbs. Each returns the process's exit status: kExitOk, kExitFailed
// with a line printed, or InterruptedStatus() after a stopping signal.
int CaptureFrame(const TCaptureOptions& options);
int CaptureVideo(const TCaptureOptions& options);
int CaptureFrames(const TCaptureOptions& options);
int CaptureSheet(const TCaptureOptions& options);
// --video with --jobs: the segments in parallel processes, then the join.
int CaptureVideoJobs(const TCaptureOptions& options);
int JoinVideo(const TCaptureOptions& options);

// What one run of RenderVideo made.
struct TVideoRun {
  int64_t written = 0;    // frames sent to ffmpeg
  bool complete = false;  // ffmpeg finished the file and it holds all of them
};
// Renders frames [first, first + count) into `file` through ffmpeg, with
// the music of those frames when `sound`; `label` names the file in
// messages, `tags` are ffmpeg output arguments (a segment's metadata).
// Stopped by a signal, it still lets ffmpeg finish the frames sent.
int RenderVideo(const TCaptureOptions& options, const std::string& file, const std::string& label,
                int64_t first, int64_t count, bool sound, const std::vector<std::string>& tags,
                TVideoRun* run);
// A video capture's last step: puts the file in place when it is whole,
// keeps what an interrupt left without replacing an earlier file (see
// PublishPartial), else removes it; says which, and returns the status.
int EndVideo(TOutput* output, int status, const TVideoRun& run, int64_t count, double wallS,
             double videoS);
// False, with a line for the user, when `processes` captures at the
// options' size would need more memory than the machine has free.
bool FitsInMemory(const TCaptureOptions& options, int processes, std::string* error);
// A video capture's first step: FitsInMemory, then BeginOutput on the
// target. False, with the reason printed, when either refuses.
bool BeginVideo(const TCaptureOptions& options, int processes, TOutput* output);
// MemAvailable from /proc/meminfo, in bytes; -1 when unknown.
int64_t AvailableMemory();
// The ffmpeg arguments that write a segment's place in its span into its
// metadata, for the join to check.
std::vector<std::string> SegmentTags(const TCaptureOptions& options);
