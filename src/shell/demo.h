// The demo's clock, start-up and frame driver: the public face of src/shell.
//
// Everything here runs on the window's thread (or the offscreen rig's), one
// call at a time. The globals below are written only by the frame driver
// (DemoTime) and by LoadDemo (StartTime); every scene reads DemoTime.
#pragma once

#include <cstdint>

// Demo units per millisecond: one unit is 1 / 0.0098 ms, about 102.04 ms.
constexpr double kDemoUnitsPerMs = 0.0098;
// The timeline ends in the first frame whose demo time exceeds this.
constexpr double kDemoEnd = 1300.0;

// Demo time in demo units (0 to 1300 over the run). Written by DrawFrame at
// the start of every frame and again inside the glitch window.
extern double DemoTime;
// Tick count in milliseconds stamped by LoadDemo just before the music starts.
extern double StartTime;

// 0 when n is 0, else the next value of the one process-wide generator
// (non-negative 31-bit values, never seeded) modulo n.
int RandomBelow(int n);
// Puts the shared generator back to its state at process start, so a capture
// or a test can replay the exact sequence a fresh run draws.
void ResetRandom();

// Start-up: textures, display lists, sound, music, particle keys, start-up
// projection, StartTime, then playback. Sizes are the client area in pixels.
// Returns the sound layer's channel for the music (-1 when nothing plays).
int LoadDemo(int clientWidth, int clientHeight);

// The files LoadDemo reads from the working folder, each named once.
constexpr int kDemoAssetCount = 21;
extern const char* const kDemoAssetFiles[kDemoAssetCount];

// The driver's window for SpriteRing, which it calls after the fifteen rows:
// demo time strictly between 752 and 910.
bool SpriteRingShows(double d);

// Draws and presents one frame of the timeline at the platform's clock.
void DrawFrame();

// Viewport and the 62-degree projection used by every frame. A height of 0
// keeps the last aspect instead of dividing by zero.
void ResizeProjection(int width, int height);
