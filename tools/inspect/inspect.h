// kelvane-inspect's verbs that live outside main.cpp.
#pragma once

// Checks the demo's 23 loads of asset files (assets/manifest.h) in dir and
// prints one line for each. Returns the exit status: 0 only when every file
// is as the demo needs it.
int CheckAssets(const char* dir);
