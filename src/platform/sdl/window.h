// The window layer: one window with an OpenGL context on SDL2, its event
// loop and its message box. It knows nothing of what is drawn: the program
// above hands it the window's design and the handlers to call, and the form
// reaches the window system through the WindowLayer table below.
#pragma once

// What a window's pixel format should offer.
struct TPixelFormatRequest {
  bool doubleBuffer = true;
  int colourBits = 24;  // red, green and blue; alpha not counted
  int depthBits = 32;
  int accumBits = 0;
  int stencilBits = 0;
};
struct TWindowLayer {
  // Finds the closest format to the request (the deepest depth buffer on
  // offer when the request's cannot be had). 0 when no format can draw
  // with OpenGL, otherwise a positive number naming it.
  int (*ChooseFormat)(const TPixelFormatRequest& request);
  // Gives the window that format and makes an OpenGL context current on it.
  bool (*SetFormat)(int format);
  void (*ClientSize)(int* width, int* height);
  // A modal box with one OK button.
  void (*ShowMessage)(const char* text, const char* caption);
  // Closes the main window: the event loop ends and the program returns 0.
  void (*CloseWindow)();
};
extern TWindowLayer WindowLayer;

// The window the program asks for.
struct TWindowDesign {
  const char* caption;
  int left, top;                // outer frame position on the screen
  int outerWidth, outerHeight;  // outer frame size
  // Frame borders assumed when the window system reports none (no window
  // manager, for example): left, right and bottom, and top with the caption.
  int fallbackSide, fallbackTop;
};

// What the window layer calls, all on the window's thread.
struct TWindowHandlers {
  // Before the window is shown: chooses the format and makes the window and
  // its context through WindowLayer, then loads what the program needs.
  void (*Create)();
  void (*Resize)(int clientWidth, int clientHeight);
  void (*MouseMove)(int x, int y);
  void (*MouseDown)();
  void (*MouseUp)();
  // The program's periodic timers: started once the window shows, fired by
  // the event loop when due, and how long the loop may wait for an event
  // (-1: no timer is running).
  void (*StartTimers)(double nowMs);
  void (*RunDueTimers)(double nowMs);
  double (*MsUntilNextTimer)(double nowMs);
};

// Creates the window on SDL2, runs Create, shows the window and runs the
// event loop until the window closes. Returns the exit status.
int RunDemoWindow(const TWindowDesign& design, const TWindowHandlers& handlers);

// The window layer's entries for the platform table (platform/platform.h),
// which the window program fills with them and with the sound layer's:
// SDL's 64-bit millisecond tick count; sound output opened with the device
// libraries' complaints kept off stderr (false, with the cause and a hint on
// stderr, when none opens); the swap of the window's buffers; exit().
double WindowTickCount();
bool OpenWindowSound(int mixRate, int maxChannels);
void PresentWindowFrame();
[[noreturn]] void EndWindowProcess(int status);

// The steps of RunDemoWindow before its event loop, for the window layer's
// own tests. InstallWindowLayer fills the window layer's table with SDL's
// functions. OpenDemoWindow starts SDL on a display
// (SDL_VIDEODRIVER, when set, chooses it), installs the tables and runs
// Create; false when the program should end, with *status. ShowDemoWindow is
// the window's first appearance.
void InstallWindowLayer();
bool OpenDemoWindow(const TWindowDesign& design, const TWindowHandlers& handlers, int* status);
void ShowDemoWindow();
