// kelvane-capture: renders the demo frame by frame with a virtual clock, on
// the offscreen rig, through the same LoadDemo and DrawFrame the window runs.
// A frame's time comes from its number alone, so a capture is exact however
// slowly the machine renders; its music level comes from the decoded music
// at that moment, through the live demo's level meter.
//
// The pure parts (spans, arguments) are here and in span.cpp and
// arguments.cpp, free of GL, so the tests use them alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/frame_clock.h"

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;         // rendering, the data or ffmpeg failed
constexpr int kExitBadArguments = 2;   // a mistake on the command line
constexpr int kExitInterrupted = 130;  // SIGINT (Ctrl-C); what was written stays playable
constexpr int kExitTerminated = 143;   // SIGTERM

enum class TVerb { kNone, kAt, kVideo, kFrames, kSheet, kJoin, kHelp, kVersion };

struct TCaptureOptions {
  TVerb verb = TVerb::kNone;
  std::string target;  // PNG, MP4, PNG directory or sheet PNG
  double at = 0.0;     // --at: demo units, 0 to 1300
  TFrameRate fps = {60, 1};
  int width = 0;  // 0: the default size of the verb
  int height = 0;
  std::string dataDir = ".";  // without --data, main looks for the pack: FindDataDir
  bool dataGiven = false;
  bool levelGiven = false;
  float level = 0.0f;              // --level: 0..1, replaces the music's own level
  double from = 0.0;               // --from: demo units
  double duration = 0.0;           // --duration: seconds; 0 runs to the end
  int segment = 0;                 // --segment K/N: K, 1 to N; 0 renders the whole span
  int segments = 0;                // N
  int jobs = 1;                    // --jobs: processes rendering segments at once
  bool reduceFlashing = false;     // --reduce-flashing (demo/flashing.h)
  bool partialPack = false;        // --partial-pack: render with the files there are
  std::vector<std::string> parts;  // --join: the segment videos, in order
};

// Reads the command line into *options. False, with a message for the user
// in *error, when the arguments are wrong (the tool then exits with 2).
bool ParseCaptureArgs(int argc, char** argv, TCaptureOptions* options, std::string* error);
// The size a verb renders at when --size is not given: the designed client
// size, rounded up to even sides for the video.
void DefaultSize(TVerb verb, int* width, int* height);
// The frames a --video or --frames run renders: first frame and count. With
// --segment K/N, the K-th of N consecutive pieces of that span, which
// together hold each of its frames once.
void FrameSpan(const TCaptureOptions& options, int64_t* first, int64_t* count);
// Piece k (1 to n) of count frames from first: frames first + count x (k - 1)
// / n up to first + count x k / n.
void SegmentSpan(int k, int n, int64_t* first, int64_t* count);

extern const char* const kCaptureUsage;
extern const char* const kCaptureVersion;
