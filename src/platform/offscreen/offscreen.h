// The offscreen rig: an OpenGL context with no window (Mesa's software
// renderer through EGL's surfaceless platform) and a platform table with a
// clock and a music level that the caller sets. demo/offscreen_demo.h runs
// the demo's own LoadDemo and DrawFrame on it; tests and the capture tool
// draw any demo time that way and read back the pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TRigSound {
  bool initFails = false;  // InitSound reports that no output can be opened
};

// Creates the context with a width x height colour buffer (RGB, 8 bits each,
// the deepest depth buffer offered) and makes it current. False, with a reason in *error, when EGL
// or GL is missing.
bool OpenOffscreen(int width, int height, std::string* error = nullptr);
void CloseOffscreen();
int OffscreenWidth();
int OffscreenHeight();

// The rig's entries for the platform table (platform/platform.h), which the
// offscreen host (hosts/offscreen) fills it with: the clock SetRigTicks sets,
// a sound layer that loads nothing and plays nothing, the level SetRigLevel
// sets, a present that counts and an end that records its status. Each logs
// its call (RigPlatformCalls).
double RigTickCount();
bool RigInitSound(int mixRate, int maxChannels);
void* RigLoadSample(const char* fileName);
int RigPlaySample(void* sample);
float RigChannelLevel(int channel);
void RigPresentFrame();
void RigEndProcess(int status);

// The rig's sound layer: what InitSound answers. Set before LoadDemo.
void SetRigSound(const TRigSound& sound);
// Name of the last file handed to LoadSample, and the samples played since
// OpenOffscreen.
const std::string& RigLoadedSample();
int RigPlayCount();
// The names of the first 32 platform calls since OpenOffscreen, in order
// ("TickCount", "InitSound", "LoadSample", "PlaySample", "EndProcess"), so a
// test can see where start-up reads the clock.
const std::vector<std::string>& RigPlatformCalls();

// Sets the clock to a tick count in milliseconds.
void SetRigTicks(double ms);
// The level ChannelLevel reports for channel 0 (0..1).
void SetRigLevel(float level);

// -1 while the demo runs; the status passed to EndProcess once it ended.
int RigEndStatus();
void ClearRigEndStatus();
// Frames presented since OpenOffscreen.
int RigPresentCount();

// The colour buffer as tightly packed RGB rows, top row first.
std::vector<uint8_t> ReadFramePixels();
// Reverses the order of `height` rows of `rowBytes` bytes in place: GL hands
// the bottom row over first, pictures and PNG files start at the top.
void FlipRows(uint8_t* pixels, size_t rowBytes, int height);
