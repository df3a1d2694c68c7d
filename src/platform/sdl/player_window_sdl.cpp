// The player's window on SDL2. Unlike the demo's window (window_sdl.cpp),
// which keeps the designed outer frame and ignores every key, this one is
// sized by the display's scale, goes fullscreen, sets a swap interval and
// turns keys into the player's actions.
#include <SDL.h>
#ifndef _WIN32
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/player_window.h"
#include "platform/sdl/sdl_common.h"

namespace {

// Written by the functions of this file only, on the player's thread.
struct TPlayerWindowState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool onVsync = false;
};
TPlayerWindowState state;

// Xft.dpi from the X server's resource database, as desktops set it; 0 when
// it is not set or there is no X display (always on Windows, where the
// x11 driver is never the current one).
double XftDpi() {
#ifdef _WIN32
  return 0.0;
#else
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0.0;
  double dpi = 0.0;
  XrmInitialize();
  if (const char* resources = XResourceManagerString(display)) {
    XrmDatabase database = XrmGetStringDatabase(resources);
    char* type = nullptr;
    XrmValue value;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
      dpi = std::atof(value.addr);
    XrmDestroyDatabase(database);
  }
  XCloseDisplay(display);
  return dpi;
#endif
}

// Real displays only (sdl_common.h).
bool OpenVideo(std::string* why) {
  if (OpenRealDisplay(why)) return true;
  if (why->empty()) *why = "no video driver";
  return false;
}

TPlayerKey KeyAction(const SDL_Keysym& key) {
  switch (key.sym) {
    case SDLK_f:
    case SDLK_F11:
      return kKeyFullscreen;
    case SDLK_RETURN:
      return (key.mod & KMOD_ALT) ? kKeyFullscreen : kKeyEnter;
    case SDLK_KP_ENTER:
      return kKeyEnter;
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_q:
      return kKeyQuit;
    case SDLK_SPACE:
    case SDLK_p:
      return kKeyPause;
    case SDLK_LEFT:
      return kKeyBack5;
    case SDLK_RIGHT:
      return kKeyForward5;
    case SDLK_DOWN:
      return kKeyBack30;
    case SDLK_UP:
      return kKeyForward30;
    case SDLK_HOME:
      return kKeyHome;
    case SDLK_LEFTBRACKET:
    case SDLK_PAGEUP:
      return kKeyPreviousScene;
    case SDLK_RIGHTBRACKET:
    case SDLK_PAGEDOWN:
      return kKeyNextScene;
    case SDLK_l:
      return kKeyLoop;
    case SDLK_PERIOD:
      return kKeyStep;
    case SDLK_COMMA:
      return kKeyStepBack;
    case SDLK_m:
      return kKeyMute;
    case SDLK_9:
      return kKeyVolumeDown;
    case SDLK_0:
      return kKeyVolumeUp;
    case SDLK_s:
      return kKeyScreenshot;
    case SDLK_o:
    case SDLK_TAB:
      return kKeyTimeline;
    case SDLK_r:
      return kKeyReduceFlashing;
    default:
      return kKeyNone;
  }
}

// Window coordinates (SDL's points) in the drawable's pixels, which differ
// on a high-DPI Wayland output.
void ToDrawable(int x, int y, TPlayerEvent* event) {
  int w = 0, h = 0, dw = 0, dh = 0;
  SDL_GetWindowSize(state.window, &w, &h);
  SDL_GL_GetDrawableSize(state.window, &dw, &dh);
  event->x = w > 0 ? x * dw / w : x;
  event->y = h > 0 ? y * dh / h : y;
}

}  // namespace

double PlayerDisplayScale() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "windows") == 0) {
    // The player is DPI aware (OpenPlayerWindow), so this is the display's
    // own DPI, 96 at 100 %.
    float dpi = 0.0f;
    return SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) == 0 && dpi >= 96.0f ? dpi / 96.0 : 1.0;
  }
  if (!driver || std::strcmp(driver, "x11") != 0) return 1.0;
  const char* gdkScale = std::getenv("GDK_SCALE");
  if (gdkScale && std::atoi(gdkScale) >= 1) return std::atoi(gdkScale);
  const double dpi = XftDpi();
  return dpi >= 96.0 ? dpi / 96.0 : 1.0;
}

bool OpenPlayerWindow(const TPlayerWindowRequest& request, std::string* error) {
  // The X11 class the desktop entry's StartupWMClass names.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", request.windowClass, 1);
  // On Windows the player sizes itself by the display's scale and draws
  // every pixel, rather than being stretched (and blurred) by the system;
  // the demo itself stays as designed.
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
  std::string why;
  if (SDL_Init(SDL_INIT_TIMER) != 0 || !OpenVideo(&why)) {
    *error = "no display to open the window on (" + (why.empty() ? SDL_GetError() : why) + ")";
    return false;
  }
  const double scale = PlayerDisplayScale();
  SDL_Rect usable = {0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = {0, 0, 0, 0};
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  Uint32 flags =
      SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  if (request.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  int width = 0, height = 0;
  FitPlayerWindow(request.clientWidth, request.clientHeight, scale, usable.w, usable.h, &width,
                  &height);
  for (int depth : {24, 16}) {
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
    state.window = SDL_CreateWindow(request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    width, height, flags);
    if (state.window) break;
  }
  if (!state.window) {
    *error = std::string("cannot open an OpenGL window: ") + SDL_GetError();
    return false;
  }
  state.context = SDL_GL_CreateContext(state.window);
  if (!state.context || SDL_GL_MakeCurrent(state.window, state.context) != 0) {
    *error = std::string("cannot make an OpenGL context: ") + SDL_GetError();
    return false;
  }
  state.onVsync = false;
  if (request.vsync)
    state.onVsync = SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
  else
    SDL_GL_SetSwapInterval(0);
  return true;
}

void FitPlayerWindow(int clientWidth, int clientHeight, double scale, int usableWidth,
                     int usableHeight, int* width, int* height) {
  // Room for the window manager's frame, scaled as desktops scale it: the
  // demo's own frame is 8 x 27 pixels around its client area.
  const int frameWidth = static_cast<int>(16 * scale), frameHeight = static_cast<int>(40 * scale);
  double w = clientWidth * scale, h = clientHeight * scale;
  if (usableWidth > frameWidth && usableHeight > frameHeight) {
    const double fit =
        std::min(1.0, std::min((usableWidth - frameWidth) / w, (usableHeight - frameHeight) / h));
    w *= fit;
    h *= fit;
  }
  *width = static_cast<int>(w + 0.5);
  *height = static_cast<int>(h + 0.5);
}

void ShowPlayerWindow() { SDL_ShowWindow(state.window); }

bool PlayerSwapsOnVsync() { return state.onVsync; }

int PlayerRefreshRate() {
  SDL_DisplayMode mode;
  const int display = state.window ? SDL_GetWindowDisplayIndex(state.window) : 0;
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate > 0)
    return mode.refresh_rate;
  return 60;
}

void PlayerDrawableSize(int* width, int* height) {
  SDL_GL_GetDrawableSize(state.window, width, height);
}

void SetPlayerFullscreen(bool on) {
  SDL_SetWindowFullscreen(state.window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool PlayerFullscreen() { return (SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN) != 0; }

void SetPlayerTitle(const char* title) { SDL_SetWindowTitle(state.window, title); }

void SetPlayerIcon(const char* bmpFile) {
  SDL_Surface* icon = SDL_LoadBMP(bmpFile);
  if (!icon) return;
  SDL_SetWindowIcon(state.window, icon);
  SDL_FreeSurface(icon);
}

bool NextPlayerEvent(int waitMs, TPlayerEvent* event) {
  SDL_Event e;
  for (;;) {
    const int got = waitMs > 0 ? SDL_WaitEventTimeout(&e, waitMs) : SDL_PollEvent(&e);
    if (!got) return false;
    waitMs = 0;  // once one has come, only what is queued
    switch (e.type) {
      case SDL_QUIT:
        *event = {TPlayerEventKind::kQuit, kKeyNone};
        return true;
      case SDL_MOUSEBUTTONDOWN:
        *event = {TPlayerEventKind::kClick, kKeyNone};
        event->button = e.button.button == SDL_BUTTON_LEFT    ? kButtonLeft
                        : e.button.button == SDL_BUTTON_RIGHT ? kButtonRight
                                                              : kButtonMiddle;
        event->clicks = e.button.clicks;
        ToDrawable(e.button.x, e.button.y, event);
        return true;
      case SDL_MOUSEWHEEL:
        if (e.wheel.y == 0) break;
        *event = {TPlayerEventKind::kWheel, kKeyNone};
        event->wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        return true;
      case SDL_MOUSEMOTION:
        *event = {TPlayerEventKind::kMotion, kKeyNone};
        ToDrawable(e.motion.x, e.motion.y, event);
        return true;
      case SDL_KEYDOWN:
        *event = {TPlayerEventKind::kKey, KeyAction(e.key.keysym)};
        if (event->key != kKeyNone) return true;
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          *event = {TPlayerEventKind::kResized, kKeyNone};
          return true;
        }
        if (e.window.event == SDL_WINDOWEVENT_LEAVE) {
          *event = {TPlayerEventKind::kPointerLeft, kKeyNone};
          return true;
        }
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN) {
          *event = {TPlayerEventKind::kExposed, kKeyNone};
          return true;
        }
        break;
      default:
        break;
    }
  }
}

void SwapPlayerWindow() { SDL_GL_SwapWindow(state.window); }

void AskPlayerWindowToClose() {
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

void SetPlayerPointerVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void ShowPlayerMessage(const char* text) {
  ShowErrorBox("Kelvane", text, "kelvane-player", state.window);
}

double PlayerClockMs() { return SdlClockMs(); }
