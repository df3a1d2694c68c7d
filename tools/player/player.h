// kelvane-player: the demo to watch as people watch anything. The same
// LoadDemo and DrawFrameAt as the demo, on a clock of its own that it can
// stop and move: the music's position while sound plays, the system clock
// in silence. The pure parts (command line, the timeline's scenes, the
// generator's replay) are here, free of the window, so tests can use them.
#pragma once

#include <cstdint>
#include <string>

struct TPlayerOptions {
  bool help = false;
  bool version = false;
  bool fullscreen = false;
  bool vsync = true;
  bool reduceFlashing = false;
  bool startPaused = false;
  bool startCard = true;  // the start card first; --play, --from, --loop, --pause skip it
  bool watch = false;
  bool checkSound = false;  // only say whether sound output opens
  bool messageBox = false;  // a failure to start shows a box too
  double from = 0.0;        // demo units
  bool loop = false;
  double loopFrom = 0.0, loopTo = 0.0;  // demo units, loopFrom < loopTo
  std::string dataDir;                  // empty: found as the capture finds it
};

// Reads the command line (getopt_long). False, with the message in *error.
bool ParsePlayerArgs(int argc, char** argv, TPlayerOptions* options, std::string* error);
extern const char* const kPlayerUsage;
extern const char* const kPlayerVersion;
extern const char* const kPhotosensitivityWarning;
// The start card's words, as the web page's card has them.
extern const char* const kCardWarning;
extern const char* const kCardKeys;

// Puts the shared generator where a capture at 60 frames a second has it
// when it draws its first frame at or after demo time d: the state after
// start-up, then the draws of every earlier frame. `startState` is the
// generator right after LoadDemo.
void ReplayDrawsBefore(double d, uint32_t startState);
// The demo time of the first 60 fps frame after d.
double NextFrameTime(double d);
// The demo time of the 60 fps frame nearest d, where the arrow keys' seeks
// land, so that the frame after a seek is one the capture draws; and of the
// first frame at or after d, where a scene's start lands (inside it).
double NearestFrameTime(double d);
double FirstFrameTimeFrom(double d);
// The last 60 fps frame before d, where `,` steps back to (0 at the start).
double PreviousFrameTime(double d);

// The timeline bar runs across the whole drawable, `width` pixels: pixel x
// stands for the demo time at its centre, so the middle pixel of an odd
// width is 650 exactly.
double BarTimeAt(int x, int width);
int BarPixelAt(double d, int width);
// The scene under the playhead as viewers read it ("Particle morph"), or
// "End" after the last.
const char* SceneTitleAt(double d);
