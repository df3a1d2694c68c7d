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
  kKeyPause,  // Space, p
  kKeyBack5,
  kKeyForward5,
  kKeyBack30,
  kKeyForward30,
  kKeyHome,
  kKeyPreviousScene,   // [, Page Up
  kKeyNextScene,       // ], Page Down
  kKeyLoop,            // L
  kKeyStep,            // .
  kKeyStepBack,        // ,
  kKeyReduceFlashing,  // R
  kKeyMute,            // m
  kKeyVolumeDown,      // 9
  kKeyVolumeUp,        // 0
  kKeyScreenshot,      // s
  kKeyTimeline,        // o, Tab
  kKeyEnter,           // Return, keypad Enter
};

enum class TPlayerEventKind {
  kKey,
  kQuit,
  kResized,
  kExposed,
  kClick,        // a button went down: button, clicks, x, y
  kWheel,        // wheel: steps up (positive) or down
  kMotion,       // the pointer moved: x, y
  kPointerLeft,  // the pointer left the window
};
enum TPlayerButton { kButtonLeft = 1, kButtonMiddle = 2, kButtonRight = 3 };
struct TPlayerEvent {
  TPlayerEventKind kind;
  TPlayerKey key;
  int button = 0;    // TPlayerButton
  int clicks = 0;    // 2 for a double click
  int x = 0, y = 0;  // in the drawable's pixels, from its top left
  int wheel = 0;
};

// The display's scale for a window of logical pixels: on X11 GDK_SCALE when
// set, else Xft.dpi / 96 from the X resources; on Windows the display's DPI
// / 96; 1 elsewhere (Wayland scales through SDL's high-DPI drawable
// instead). Needs the video subsystem.
double PlayerDisplayScale();

// The window's client size for a designed size of clientWidth x
// clientHeight at `scale`, inside a usable area of usableWidth x
// usableHeight (the display's, less the panels) with room left for the
// window manager's frame: the aspect is kept, and nothing grows.
void FitPlayerWindow(int clientWidth, int clientHeight, double scale, int usableWidth,
                     int usableHeight, int* width, int* height);

// Opens SDL's video on a real display and the window with an OpenGL context,
// sized by the display's scale and fitted to its usable bounds, hidden until
// ShowPlayerWindow. False, with the reason in *error.
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
// Asks the window's event loop to end, as the window's close button does.
// Safe from any thread.
void AskPlayerWindowToClose();
// Shows or hides the pointer over the window.
void SetPlayerPointerVisible(bool visible);
// A modal box with one OK button; stderr when there is no display for it.
void ShowPlayerMessage(const char* text);
// Milliseconds from a fixed origin, fractional, from SDL's high-resolution
// counter.
double PlayerClockMs();
