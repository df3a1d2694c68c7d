// The demo on the offscreen rig (platform/offscreen.h): LoadDemo and
// DrawFrame exactly as the window runs them, at any demo time.
#pragma once

#include <string>

#include "platform/offscreen.h"

// Runs LoadDemo with the working directory set to dataDir (or the current
// one when null), then the first appearance's resize, exactly as the window
// does, and goes back to the folder it started in. False, with the reason in
// *error, when it cannot enter dataDir (nothing is loaded then) or when
// LoadDemo ended the process (status in RigEndStatus).
bool StartDemoOffscreen(const char* dataDir, std::string* error = nullptr);

// Sets the virtual clock so that DrawFrame's next demo time is d: exactly
// when some tick count gives d through the driver's own formula (all the
// timeline's boundaries do), otherwise within a unit in the last place.
// StartTime is left as LoadDemo stamped it.
void SetRigDemoTime(double d);

// One DrawFrame at demo time d with music level `level`. Returns false when
// that frame ended the demo (demo time above 1300); the rig then puts the
// model-view stack back so the next frame starts clean.
bool RenderFrameAt(double d, float level = 0.0f);
