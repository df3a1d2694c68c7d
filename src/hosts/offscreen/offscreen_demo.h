// The demo on the offscreen rig (platform/offscreen/offscreen.h): LoadDemo exactly as
// the window runs it; frames are then drawn with DrawFrameAt (demo/demo.h).
#pragma once

#include <string>

#include "demo/demo.h"
#include "platform/offscreen/offscreen.h"

// Opens the rig (OpenOffscreen) and fills the platform table with its
// entries. False, with the reason in *error, when no context can be made.
bool OpenDemoOffscreen(int width, int height, std::string* error = nullptr);

// Runs LoadDemo with the working directory set to dataDir (or the current
// one when null), then the first appearance's resize, exactly as the window
// does, and goes back to the folder it started in. False, with the reason in
// *error, when it cannot enter dataDir (nothing is loaded then) or when
// LoadDemo ended the process (status in RigEndStatus).
bool StartDemoOffscreen(const char* dataDir, std::string* error = nullptr);
