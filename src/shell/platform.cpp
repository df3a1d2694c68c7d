#include "shell/platform.h"

namespace {
// Until a window or the rig installs itself: no clock, no sound, no screen.
double NoTicks() { return 0.0; }
bool NoSound(int, int) { return false; }
void* NoSample(const char*) { return nullptr; }
int NoPlay(void*) { return -1; }
float NoLevel(int) { return 0.0f; }
void NoPresent() {}
void NoEnd(int) {}
}  // namespace

TPlatform Platform = {NoTicks, NoSound, NoSample, NoPlay, NoLevel, NoPresent, NoEnd};
