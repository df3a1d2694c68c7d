// The player's window on SDL2: resizable, fullscreen on request, sized for
// the display's scale, with a swap interval of the player's choosing. It
// reports keys by what they do in the player, so no SDL type leaves this
// layer. One window per process, on the thread that opened it.
#pragma once

#include <string>

struct TPlayerWindowRequest {
  const char* title;
  const char* windowClass;  // X11 WM_CLASS, the desktop entry's StartupWMClass
  int clientWidth;          // logical pixels, before the display's scale
  int clientHeight;
  bool fullscreen;
  bool vsync;  // adaptive where the driver offers it, else every vertical blank
};

// What a key does in the player; kKeyNone for every key it ignores.
enum TPlayerKey {
  kKeyNone,
  kKeyFullscreen,  // F, F11, Alt+Return
  kKeyEscape,
  kKeyQuit,   // q
  kKeyPause,  // Space
  kKeyBack5,
  kKeyForward5,
  kKeyBack30,
  kKeyForward30,
  kKeyHome,
  kKeyPreviousScene,   // [
  kKeyNextScene,       // ]
  kKeyLoop,            // L
  kKeyStep,            // .
  kKeyReduceFlashing,  // R
};

enum class TPlayerEventKind { kKey, kQuit, kResized, kExposed };
struct TPlayerEvent {
  TPlayerEventKind kind;
  TPlayerKey key;
};

// The display's scale for a window of logical pixels: on X11 GDK_SCALE when
// set, else Xft.dpi / 96 from the X resources; 1 elsewhere (Wayland scales
// through SDL's high-DPI drawable instead). Needs the video subsystem.
double PlayerDisplayScale();

// Opens SDL's video on a real display and the window with an OpenGL context,
// hidden until ShowPlayerWindow. False, with the reason in *error.
bool OpenPlayerWindow(const TPlayerWindowRequest& request, std::string* error);
void ShowPlayerWindow();
// Whether the swap interval asked for was accepted (vsync is then the
// driver's); false when the driver refused it or it was not asked for.
bool PlayerSwapsOnVsync();
// The display's refresh rate in Hz, 60 when it does not say.
int PlayerRefreshRate();
void PlayerDrawableSize(int* width, int* height);
void SetPlayerFullscreen(bool on);
bool PlayerFullscreen();
void SetPlayerTitle(const char* title);
// Sets the window's icon from a 24-bit BMP; quietly nothing when it cannot.
void SetPlayerIcon(const char* bmpFile);
// The next event, waiting up to waitMs (0: only what is queued). False when
// none came.
bool NextPlayerEvent(int waitMs, TPlayerEvent* event);
void SwapPlayerWindow();
// A modal box with one OK button; stderr when there is no display for it.
void ShowPlayerMessage(const char* text);
// Milliseconds from a fixed origin, fractional, from SDL's high-resolution
// counter.
double PlayerClockMs();
