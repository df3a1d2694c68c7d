// The demo's one window, TOpenGL_Form, as the program sees it: its designed
// properties, its two timers, the hidden diagnostic list and the handlers the
// window layer calls. Nothing here knows which window system is underneath;
// that is behind TWindowLayer (platform/window.h), filled by
// src/platform/window_sdl.cpp (or by a test).
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"

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
constexpr int kDesignedClientWidth = kFormOuterWidth - 2 * kFallbackBorderSide;
constexpr int kDesignedClientHeight = kFormOuterHeight - kFallbackBorderTop - kFallbackBorderSide;
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
  bool contextReady;                  // FormCreate made the rendering context current
  TTimer Timer1;                      // frame timer, 5 ms
  TTimer Timer2;                      // diagnostic timer, 200 ms
  std::vector<std::string> ListBox1;  // hidden: never shown on screen
};
extern TOpenGL_Form OpenGL_Form;

// Written by the mouse handlers; only the diagnostic list reads them.
extern double MouseOffsetX;
extern double MouseOffsetY;
extern bool MouseButtonDown;

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
void Framerate();
void movemouse(int x, int y);
void mousedown();
void mouseup();

// General number format with 15 significant digits: fixed-point without
// trailing zeros when 0.00001 <= |v| and the integer part has at most 15
// digits, otherwise scientific ("1.5E-6", "1E20"); `separator` is the
// decimal separator.
std::string FormatGeneral(double value, char separator);
// The decimal separator of the user's locale, read without changing the
// program's own locale (number parsing stays in the "C" locale).
char LocaleDecimalSeparator();
