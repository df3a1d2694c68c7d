// The frame clock: frame n of a run at num / den frames a second is shown at
// n x 1000 x den / num ms after demo time 0, whatever the speed of the
// machine. The capture renders on it, the player seeks on it, and both put
// the shared generator where a run from frame 0 has it with ReplayFrameDraws,
// so that a frame drawn after a jump is the frame drawn in order.
#pragma once

#include <cstdint>

// A frame rate of num / den frames per second: 60 / 1, 30000 / 1001.
struct TFrameRate {
  int64_t num;
  int64_t den;
};

// Milliseconds after demo time 0 at which frame `frame` is shown:
// frame x 1000 x den / num. The numerator is an exact integer and the one
// division rounds once, so frame times never drift.
double FrameMs(int64_t frame, TFrameRate rate);
// The demo time DrawFrame computes for that frame (demo units).
double FrameDemoTime(int64_t frame, TFrameRate rate);
// Frames from demo time 0 to the end of the timeline: every frame whose demo
// time is at most kDemoEnd (7960 at 60 frames per second).
int64_t TimelineFrames(TFrameRate rate);
// The first frame whose demo time is at least d (demo units, d >= 0).
int64_t FirstFrameAt(double d, TFrameRate rate);
// Music sample frames (kMusicRate) before the moment frame `frame` is shown,
// rounded down: the audio of frames a..b is samples [SampleAt(a), SampleAt(b)).
int64_t SampleAt(int64_t frame, TFrameRate rate);

// Takes the shared generator's draws (TakeFrameDraws) of frames from to
// to - 1, in order, without drawing them.
void ReplayFrameDraws(int64_t from, int64_t to, TFrameRate rate);
