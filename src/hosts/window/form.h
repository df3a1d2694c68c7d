// The demo's one window, TOpenGL_Form, as the program sees it: its designed
// properties, its two timers and the handlers the window layer calls. Nothing
// here knows which window system is underneath; that is behind TWindowLayer
// (platform/sdl/window.h), filled by src/platform/sdl/window_sdl.cpp (or by a test).
//
// The design's names, and their jobs:
//   TOpenGL_Form, OpenGL_Form  the window object: its timers and whether its
//                              rendering context is ready
//   FormCreate, FormResize     open the context and load the demo; follow a
//                              new client size with the projection
//   Timer1, Timer1Timer        the 5 ms frame timer and its tick: one frame
//   Timer2, Framerate          the 200 ms diagnostic timer and its tick,
//                              which fills the hidden list (diagnostics.h)
//   movemouse, mousedown,      the mouse handlers, which only feed that
//   mouseup                    list (diagnostics.h)
#pragma once

#include "demo/demo.h"
#include "hosts/window/diagnostics.h"
#include "platform/sdl/window.h"

// The designed window: outer frame at (35, 6), 683 x 552 pixels.
constexpr int kFormLeft = 35;
constexpr int kFormTop = 6;
constexpr int kFormOuterWidth = 683;
constexpr int kFormOuterHeight = 552;
// When the window system reports no frame borders (no window manager, for
// example), the frame is taken to be a classic sizeable frame: 4 pixels on
// the left, right and bottom, and 4 plus a 19-pixel caption bar on top. The
// designed client area is then 675 x 525.
constexpr int kFallbackBorderSide = 4;
constexpr int kFallbackBorderTop = 23;
static_assert(kFormOuterWidth - 2 * kFallbackBorderSide == kDesignedClientWidth &&
                  kFormOuterHeight - kFallbackBorderTop - kFallbackBorderSide ==
                      kDesignedClientHeight,
              "the fallback frame leaves the designed client area");
extern const char* const kFormCaption;  // "Kelvane Drossim / ZUW - 2002. "

// A periodic timer delivered on the window's thread. The window layer's loop
// fires a timer whose due time has come, after re-arming it one interval
// ahead; there is never more than one pending tick, so ticks cannot queue.
struct TTimer {
  int intervalMs;
  bool enabled;
  double dueMs;  // tick count at which it fires next
  void (*onTick)();
};
void StartTimer(TTimer& timer, double nowMs);  // counts the interval anew
void StopTimer(TTimer& timer);
bool TimerDue(const TTimer& timer, double nowMs);
// Fires every due timer in creation order (Timer1, then Timer2).
void RunDueTimers(double nowMs);
// Milliseconds until the next enabled timer is due (0 if one is due now,
// -1 if none is enabled).
double MsUntilNextTimer(double nowMs);

// The window object OpenGL_Form. Written by the handlers below.
struct TOpenGL_Form {
  const char* name;
  const char* className;
  bool contextReady;  // FormCreate made the rendering context current
  TTimer Timer1;      // frame timer, 5 ms
  TTimer Timer2;      // diagnostic timer, 200 ms
};
extern TOpenGL_Form OpenGL_Form;

// Fills the platform table with the window layer's and the sound layer's
// entries (window_platform.cpp); main calls it before the window opens.
void InstallWindowPlatform();

// Handlers, called by the window layer on the window's thread.
void FormCreate();
// The window as the window layer opens it, and the handlers above as it
// calls them. Its create handler reports missing asset files on stderr
// before FormCreate.
extern const TWindowDesign kFormWindow;
extern const TWindowHandlers kFormHandlers;
bool SetupPixelFormat();
void FormResize(int clientWidth, int clientHeight);
void Timer1Timer();
