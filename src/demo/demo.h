// The demo's clock, start-up and frame driver: the top of the program, over
// the scenes.
//
// Everything here runs on the window's thread (or the offscreen rig's), one
// call at a time. DemoTime (scenes/clock.h) is written only by the frame
// driver, StartTime only by LoadDemo.
#pragma once

#include <cstdint>

#include "scenes/clock.h"

// Demo units per millisecond: one unit is 1 / 0.0098 ms, about 102.04 ms.
constexpr double kDemoUnitsPerMs = 0.0098;
// The designed client area in pixels, which every host draws at unless its
// window is resized: the capture's default frame, the player's first window.
constexpr int kDesignedClientWidth = 675;
constexpr int kDesignedClientHeight = 525;

// The timeline ends in the first frame whose demo time exceeds this.
constexpr double kDemoEnd = 1300.0;

// Tick count in milliseconds stamped by LoadDemo just before the music starts.
extern double StartTime;

// Start-up: textures, display lists, sound, music, particle keys, start-up
// projection, StartTime, then playback. Sizes are the client area in pixels.
// Returns the sound layer's channel for the music (-1 when nothing plays).
int LoadDemo(int clientWidth, int clientHeight);

// One line on stderr when any file of the asset pack (assets/manifest.h) is
// missing from the working folder (or is not a regular file), naming the
// folder and how to start the demo.
void ReportMissingAssets();

// Draws and presents one frame of the timeline at the platform's clock and
// music level: DrawFrameAt with the demo time the clock gives.
void DrawFrame();
// Draws and presents the frame at demoTime (demo units) with the music at
// musicLevel (0..1, RMS of the block playing). A demo time past kDemoEnd
// ends the demo through the platform instead of presenting; where that
// returns (the offscreen rig), the answer is false and the GL state is left
// ready for another frame.
bool DrawFrameAt(double demoTime, float musicLevel);
// Every draw the frame at demoTime takes from the shared generator, in order:
// the glitch's pick, then the particle jitter at the moment shown, which it
// returns (demoTime itself outside the glitch window). DrawFrameAt takes its
// draws here and nowhere else, so a capture that starts at frame n calls
// this alone for frames 0 to n - 1 and frame n shows what it shows in a
// capture from frame 0.
double TakeFrameDraws(double demoTime);

// Viewport and the 62-degree projection used by every frame. A height of 0
// keeps the last aspect instead of dividing by zero.
void ResizeProjection(int width, int height);
