#include "platform/sdl/sdl_common.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

bool OpenRealDisplay(std::string* why) {
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if (chosen && *chosen) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    *why = SDL_GetError();
    return false;
  }
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const std::string driver = SDL_GetVideoDriver(i);
    if (driver == "offscreen" || driver == "dummy" || driver == "evdev") continue;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    if (!why->empty()) *why += "; ";
    *why += driver + ": " + SDL_GetError();
  }
  return false;
}

TQuietStderr::TQuietStderr() {
  std::fflush(stderr);
  saved_ = dup(STDERR_FILENO);
  const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved_ >= 0 && quiet >= 0) dup2(quiet, STDERR_FILENO);
  if (quiet >= 0) close(quiet);
}

TQuietStderr::~TQuietStderr() {
  if (saved_ < 0) return;
  dup2(saved_, STDERR_FILENO);
  close(saved_);
}

void ShowErrorBox(const char* caption, const char* text, const char* prefix, SDL_Window* window) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window) != 0)
    std::fprintf(stderr, "%s: %s\n", prefix, text);
}

double SdlClockMs() {
  static const double perMs = static_cast<double>(SDL_GetPerformanceFrequency()) / 1000.0;
  return static_cast<double>(SDL_GetPerformanceCounter()) / perMs;
}
