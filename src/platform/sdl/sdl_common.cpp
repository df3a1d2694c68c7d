#include "platform/sdl/sdl_common.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/files/regular_file.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

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

TQuietStderr::TQuietStderr() { saved_ = SilenceStderr(); }

TQuietStderr::~TQuietStderr() { RestoreStderr(saved_); }

void ShowErrorBox(const char* caption, const char* text, const char* prefix, SDL_Window* window) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window) != 0)
    std::fprintf(stderr, "%s: %s\n", prefix, text);
}

bool StderrGoesNowhere() {
#ifdef _WIN32
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  return handle == nullptr || handle == INVALID_HANDLE_VALUE ||
         GetFileType(handle) == FILE_TYPE_UNKNOWN;
#else
  return false;
#endif
}

#ifdef _WIN32
namespace {
// What stderr collects for the box at exit, and its caption.
struct TStderrBox {
  FILE* kept = nullptr;
  const char* caption = "";
} stderrBox;

void ShowKeptStderr() {
  std::fflush(stderr);
  std::string text;
  char piece[4096];
  std::rewind(stderrBox.kept);
  while (size_t got = std::fread(piece, 1, sizeof piece, stderrBox.kept)) text.append(piece, got);
  if (!text.empty())
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, stderrBox.caption, text.c_str(), nullptr);
}
}  // namespace

void ShowStderrInBoxAtExit(const char* caption) {
  if (!StderrGoesNowhere()) return;
  stderrBox.kept = std::tmpfile();
  if (!stderrBox.kept) return;
  stderrBox.caption = caption;
  // The C runtime's stderr onto the kept file: its descriptor 2 first, so
  // that writes through the stream and through the descriptor both land.
  if (!std::freopen("NUL", "w", stderr)) return;
  if (dup2(fileno(stderrBox.kept), fileno(stderr)) != 0) return;
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  std::atexit(ShowKeptStderr);
}
#else
void ShowStderrInBoxAtExit(const char*) {}
#endif

double SdlClockMs() {
  static const double perMs = static_cast<double>(SDL_GetPerformanceFrequency()) / 1000.0;
  return static_cast<double>(SDL_GetPerformanceCounter()) / perMs;
}
