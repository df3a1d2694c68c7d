// The capture's side of the offscreen rig: load the demo once, then draw any
// frame at an exact time and read it back. Also the run-wide helpers the
// verbs share (interrupt flag, progress line, PNG output).
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

#include "capture/capture.h"
#include "platform/sound.h"

// Decodes "kel.mp3" from the data directory, once per process; a capture
// without it is silent, as the demo is.
void LoadCaptureMusic(const TCaptureOptions& options);
// Opens the rig at the options' size, loads the music, puts the shared
// generator back to its start and runs LoadDemo. False, with the reason in
// *error, when the rig or LoadDemo fails.
bool OpenCapture(const TCaptureOptions& options, std::string* error);
// The decoded music: signed 16-bit stereo at 44.1 kHz; empty when silent.
const TPcm& CaptureMusic();

// Takes from the shared generator what frames `from` to to - 1 at `rate`
// take when drawn, without drawing them. After frames 0 to n - 1, drawn or
// skipped, frame n shows what it shows in a capture from frame 0.
void SkipFrames(int64_t from, int64_t to, TFrameRate rate);
// One DrawFrame at `ms` milliseconds after demo time 0, with the music
// level of that moment (or the --level override). False when the frame
// ended the demo; the model-view stack is then put back.
bool DrawFrameAtMs(double ms);
// The same at demo time d exactly (the clock is chosen so that the frame
// driver computes d itself).
bool DrawFrameAtDemoTime(double d);
// The colour buffer as RGB rows, top row first, into rgb (width x height x 3).
void ReadFrameTopFirst(uint8_t* rgb);
// The same with the bottom row first, as GL hands it over.
void ReadFrameBottomFirst(uint8_t* rgb);
// Writes the frame just read as a PNG; prints what failed.
bool WriteFramePng(const std::string& fileName, const uint8_t* rgb, int width, int height);

// Set by SIGINT or SIGTERM once InstallInterruptHandler has run (main does,
// before loading anything); a second signal ends the process at once.
extern volatile std::sig_atomic_t CaptureInterrupted;
void InstallInterruptHandler();

// "frames done/total, frames a second, time left" on stderr, redrawn in
// place, only when stderr is a terminal.
struct TProgress {
  bool shown = false;
  int64_t* report = nullptr;  // see ReportProgressTo
  int64_t total = 0;
  double startS = 0.0;
  double lastS = -1.0;
};
void StartProgress(TProgress* progress, int64_t total);
// From now on no progress line is drawn; the frames done are stored in
// *done instead (memory shared with the parent, for a --jobs segment).
void ReportProgressTo(int64_t* done);
void ShowProgress(TProgress* progress, int64_t done);
void EndProgress(TProgress* progress);

// The verbs. Each returns the process's exit status.
int CaptureFrame(const TCaptureOptions& options);
int CaptureVideo(const TCaptureOptions& options);
int CaptureFrames(const TCaptureOptions& options);
int CaptureSheet(const TCaptureOptions& options);
// --video with --jobs: the segments in parallel processes, then the join.
int CaptureVideoJobs(const TCaptureOptions& options);
int JoinVideo(const TCaptureOptions& options);
