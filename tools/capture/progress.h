// How far a capture has got, on stderr.
//
// On a terminal: one line redrawn in place five times a second, cut to the
// terminal's width: frames done and total, the share done, frames a second
// and the time left, estimated from the last ten seconds' rate (a capture's
// speed changes from scene to scene). Anywhere else (a log, a pipe): one
// plain line at every tenth of the frames, no carriage returns. Either way a
// summary line at the end names what was written.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct TProgress {
  bool terminal = false;
  bool quiet = false;                      // a --jobs segment: only report
  std::atomic<int64_t>* report = nullptr;  // see ReportProgressTo
  int64_t total = 0;
  double startS = 0.0;
  double lastS = -1.0;
  int tenthsShown = 0;
  // (time, frames done) every second or so, for the recent rate.
  static constexpr int kSamples = 11;
  double sampleS[kSamples] = {};
  int64_t sampleDone[kSamples] = {};
  int samples = 0;
};

// From now on this process shows no progress; it stores the frames done in
// *done instead (memory shared with the parent, for a --jobs segment).
void ReportProgressTo(std::atomic<int64_t>* done);
void StartProgress(TProgress* progress, int64_t total);
void ShowProgress(TProgress* progress, int64_t done);
void EndProgress(TProgress* progress);
// Seconds on a steady clock, for timing a whole run.
double WallSeconds();

// The last line of a run: "kelvane-capture: wrote kelvane.mp4: 7960 frames,
// 89.5 MB, in 71.4 s (0.54 x real time)". videoS is the length of what the
// frames show, 0 for a single picture.
void PrintSummary(const std::string& what, int64_t frames, int64_t bytes, double wallS,
                  double videoS);

// The line shown on a terminal `columns` wide (pure, for the tests).
std::string ProgressLine(int64_t done, int64_t total, double fps, double leftS, int columns);
