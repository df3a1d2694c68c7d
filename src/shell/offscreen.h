// The offscreen rig: the demo's own LoadDemo and DrawFrame on an OpenGL
// context with no window (Mesa's software renderer through EGL's surfaceless
// platform), with a clock and a music level that the caller sets. Tests and
// the capture tool draw any demo time with it and read back the pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TRigSound {
  bool initFails = false;  // InitSound reports that no output can be opened
};

// Creates the context with a width x height colour buffer (RGB, 8 bits each,
// the deepest depth buffer offered), makes it current and installs the rig's
// platform table. False, with a reason in *error, when EGL or GL is missing.
bool OpenOffscreen(int width, int height, std::string* error = nullptr);
void CloseOffscreen();
int OffscreenWidth();
int OffscreenHeight();

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

// Runs LoadDemo with the working directory set to dataDir (or the current
// one when null), then the first appearance's resize, exactly as the window
// does. Returns false if LoadDemo ended the process (status in RigEndStatus).
bool StartDemoOffscreen(const char* dataDir);

// Sets the virtual clock so that DrawFrame's next demo time is d: exactly
// when some tick count gives d through the driver's own formula (all the
// timeline's boundaries do), otherwise within a unit in the last place.
// StartTime is left as LoadDemo stamped it.
void SetRigDemoTime(double d);
// Sets the clock to a tick count in milliseconds.
void SetRigTicks(double ms);
// The level ChannelLevel reports for channel 0 (0..1).
void SetRigLevel(float level);

// One DrawFrame at demo time d with music level `level`. Returns false when
// that frame ended the demo (demo time above 1300); the rig then puts the
// model-view stack back so the next frame starts clean.
bool RenderFrameAt(double d, float level = 0.0f);

// -1 while the demo runs; the status passed to EndProcess once it ended.
int RigEndStatus();
void ClearRigEndStatus();
// Frames presented since OpenOffscreen.
int RigPresentCount();

// The colour buffer as tightly packed RGB rows, top row first.
std::vector<uint8_t> ReadFramePixels();
// Writes RGB rows (top first) as a PNG file. False when it cannot be written.
bool WritePng(const char* fileName, const uint8_t* rgb, int width, int height);
