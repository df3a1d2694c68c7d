// The window layer on SDL2: the one window with its OpenGL context, the
// message box, the event loop with the program's timers, and the entries
// the window program fills the platform table with (clock, sound output,
// present, end).
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/audio/sound.h"
#include "platform/graphics/gl.h"
#include "platform/sdl/sdl_common.h"
#include "platform/sdl/window.h"

namespace {

// Written by the functions of this file only, on the window's thread.
struct TWindowState {
  TWindowDesign design = {};
  TWindowHandlers handlers = {};
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool running = true;
  int borderLeft = 0;
  int borderTop = 0;
  int borderRight = 0;
  int borderBottom = 0;
};
TWindowState state;

// Depth buffers to try, deepest first, after the requested one.
const int kDepthFallbacks[] = {32, 24, 16, 0};

int ChooseFormat(const TPixelFormatRequest& request) {
  // With SDL the pixel format is fixed when the window is made, so the
  // window is created here, hidden, with the first format that works.
  int format = 0;
  for (int depth : kDepthFallbacks) {
    if (depth > request.depthBits) continue;
    ++format;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, request.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, request.colourBits / 3);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, request.colourBits / 3);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, request.colourBits / 3);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, request.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, request.accumBits);
    state.window = SDL_CreateWindow(state.design.caption, state.design.left + state.borderLeft,
                                    state.design.top + state.borderTop,
                                    state.design.outerWidth - state.borderLeft - state.borderRight,
                                    state.design.outerHeight - state.borderTop - state.borderBottom,
                                    SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (state.window) return format;
  }
  return 0;
}

bool SetFormat(int) {
  state.context = SDL_GL_CreateContext(state.window);
  return state.context && SDL_GL_MakeCurrent(state.window, state.context) == 0;
}

void ClientSize(int* width, int* height) { SDL_GL_GetDrawableSize(state.window, width, height); }

void ShowMessage(const char* text, const char* caption) { ShowErrorBox(caption, text, caption); }

void CloseWindow() { state.running = false; }

}  // namespace

double WindowTickCount() { return static_cast<double>(SDL_GetTicks64()); }

bool OpenWindowSound(int mixRate, int maxChannels) {
  std::string why;
  bool ok;
  {
    TQuietStderr quiet;
    ok = OpenSoundOutput(mixRate, maxChannels, &why);
  }
  if (ok) return true;
  std::fprintf(stderr,
               "kelvane: cannot open sound output: %s; to watch without sound, run it with "
               "SDL_AUDIODRIVER=dummy\n",
               why.c_str());
  return false;
}

void PresentWindowFrame() { SDL_GL_SwapWindow(state.window); }

[[noreturn]] void EndWindowProcess(int status) { std::exit(status); }

namespace {

// Fits the client area to the designed outer frame once the window manager
// has put its frame around the window. Without a frame report the design's
// fallback borders stand.
void FitToFrame() {
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(state.window, &top, &left, &bottom, &right) != 0) return;
  if (top + left + bottom + right == 0) return;
  state.borderLeft = left;
  state.borderTop = top;
  state.borderRight = right;
  state.borderBottom = bottom;
  SDL_SetWindowSize(state.window, state.design.outerWidth - left - right,
                    state.design.outerHeight - top - bottom);
  SDL_SetWindowPosition(state.window, state.design.left + left, state.design.top + top);
}

void NotifyResize() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(state.window, &width, &height);
  state.handlers.Resize(width, height);
}

void HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      state.running = false;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) NotifyResize();
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) state.running = false;
      break;
    case SDL_MOUSEMOTION:
      state.handlers.MouseMove(event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
      state.handlers.MouseDown();
      break;
    case SDL_MOUSEBUTTONUP:
      state.handlers.MouseUp();
      break;
    default:  // keys and everything else: nothing
      break;
  }
}

// Shows an exception that escaped a handler, as the standard box does for
// any program: its message, the program's name as caption, one OK button.
void ShowException(const std::exception& e) { ShowMessage(e.what(), "Kelvane"); }

// Opens the video subsystem on a real display (sdl_common.h), with SDL's
// own complaints on stderr silenced. False, with SDL's reason, when no
// display opens.
bool OpenDisplay(std::string* why) {
  TQuietStderr quiet;
  return OpenRealDisplay(why);
}

// Everything before the window is shown: SDL, the display, the window layer
// and platform tables, and the Create handler (which makes the window and
// context and loads). False when the program should end now, with *status.
bool OpenWindow(const TWindowDesign& design, const TWindowHandlers& handlers, int* status) {
  *status = 0;
  state.design = design;
  state.handlers = handlers;
  state.borderLeft = state.borderRight = state.borderBottom = design.fallbackSide;
  state.borderTop = design.fallbackTop;
  std::string why;
  if (SDL_Init(SDL_INIT_TIMER) != 0 || !OpenDisplay(&why)) {
    if (why.empty()) why = SDL_GetError();
    std::fprintf(stderr,
                 "kelvane: no display to open the window on (%s); run it in a desktop "
                 "session, or render a video with kelvane-capture --video kelvane.mp4\n",
                 why.c_str());
    *status = 1;
    return false;
  }
  InstallWindowLayer();
  try {
    state.handlers.Create();
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
  return state.running;
}

// The first appearance: crosshair, shown, fitted to its frame, cleared to
// black, and resized, which sets the projection every frame is drawn with.
void ShowWindow() {
  SDL_Cursor* crosshair = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_CROSSHAIR);
  if (crosshair) SDL_SetCursor(crosshair);
  SDL_ShowWindow(state.window);
  FitToFrame();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(state.window);
  NotifyResize();  // the first appearance counts as a resize
}

int RunWindow(const TWindowDesign& design, const TWindowHandlers& handlers) {
  int status = 0;
  if (!OpenWindow(design, handlers, &status)) return status;
  ShowWindow();

  state.handlers.StartTimers(WindowTickCount());
  while (state.running) {
    SDL_Event event;
    const double wait = state.handlers.MsUntilNextTimer(WindowTickCount());
    // A handler that throws is reported and the loop goes on. If it was the
    // frame, the frame timer stays stopped: no further frame is drawn.
    try {
      if (SDL_WaitEventTimeout(&event, wait < 0 ? 1000 : static_cast<int>(wait + 0.999))) {
        HandleEvent(event);
        while (state.running && SDL_PollEvent(&event)) HandleEvent(event);
      }
      if (state.running) state.handlers.RunDueTimers(WindowTickCount());
    } catch (const std::exception& e) {
      ShowException(e);
    }
  }
  return 0;
}

}  // namespace

void InstallWindowLayer() {
  WindowLayer = TWindowLayer{ChooseFormat, SetFormat, ClientSize, ShowMessage, CloseWindow};
}

bool OpenDemoWindow(const TWindowDesign& design, const TWindowHandlers& handlers, int* status) {
  return OpenWindow(design, handlers, status);
}

void ShowDemoWindow() { ShowWindow(); }

int RunDemoWindow(const TWindowDesign& design, const TWindowHandlers& handlers) {
  try {
    return RunWindow(design, handlers);
  } catch (const std::exception& e) {
    ShowException(e);
    return 0;
  }
}
