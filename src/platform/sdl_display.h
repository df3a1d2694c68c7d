// Opening SDL's video on a real display, shared by the demo's window and the
// player's. Header-only: both are SDL programs, the rest of the platform is
// not.
#pragma once

#include <SDL.h>

#include <cstdlib>
#include <string>

// Opens the video subsystem on a real display. SDL would fall back to its
// offscreen and dummy drivers, which show nothing; those are used only when
// SDL_VIDEODRIVER names them. False, with SDL's reasons driver by driver in
// `why`, when no display opens.
inline bool OpenRealDisplay(std::string* why) {
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
