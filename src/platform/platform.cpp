#include "platform/platform.h"

#include "platform/window.h"

namespace {
// Until a window or the rig installs itself: no clock, no sound, no screen.
double NoTicks() { return 0.0; }
bool NoSound(int, int) { return false; }
void* NoSample(const char*) { return nullptr; }
int NoPlay(void*) { return -1; }
float NoLevel(int) { return 0.0f; }
void NoPresent() {}
void NoEnd(int) {}
int NoFormat(const TPixelFormatRequest&) { return 0; }
bool NoSetFormat(int) { return false; }
void NoClientSize(int* w, int* h) { *w = *h = 0; }
void NoMessage(const char*, const char*) {}
void NoClose() {}
}  // namespace

TPlatform Platform = {NoTicks, NoSound, NoSample, NoPlay, NoLevel, NoPresent, NoEnd};
TWindowLayer WindowLayer = {NoFormat, NoSetFormat, NoClientSize, NoMessage, NoClose};
