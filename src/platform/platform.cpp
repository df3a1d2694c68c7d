#include "platform/platform.h"

#include "platform/sdl/window.h"

bool SoundPlayedByHost(int, int) { return true; }
void* NoSample(const char*) { return nullptr; }
int NoPlaySample(void*) { return -1; }
float NoChannelLevel(int) { return 0.0f; }

namespace {
// Until a host fills the tables: no clock, no sound, no screen.
double NoTicks() { return 0.0; }
bool NoSound(int, int) { return false; }
void NoPresent() {}
void NoEnd(int) {}
int NoFormat(const TPixelFormatRequest&) { return 0; }
bool NoSetFormat(int) { return false; }
void NoClientSize(int* w, int* h) { *w = *h = 0; }
void NoMessage(const char*, const char*) {}
void NoClose() {}
}  // namespace

TPlatform Platform = {NoTicks, NoSound, NoSample, NoPlaySample, NoChannelLevel, NoPresent, NoEnd};
TWindowLayer WindowLayer = {NoFormat, NoSetFormat, NoClientSize, NoMessage, NoClose};
