#include "hosts/window/form.h"

#include "demo/demo.h"
#include "platform/platform.h"

const char* const kFormCaption = "Kelvane Drossim / ZUW - 2002. ";

TOpenGL_Form OpenGL_Form = {
    "OpenGL_Form", "TOpenGL_Form", false, {5, true, 0.0, Timer1Timer}, {200, true, 0.0, Framerate},
};

namespace {
void OpenForm() {
  ReportMissingAssets();
  FormCreate();
}
void StartFormTimers(double nowMs) {
  StartTimer(OpenGL_Form.Timer1, nowMs);
  StartTimer(OpenGL_Form.Timer2, nowMs);
}
}  // namespace

const TWindowDesign kFormWindow = {kFormCaption,      kFormLeft,        kFormTop,
                                   kFormOuterWidth,   kFormOuterHeight, kFallbackBorderSide,
                                   kFallbackBorderTop};
const TWindowHandlers kFormHandlers = {OpenForm, FormResize,      movemouse,    mousedown,
                                       mouseup,  StartFormTimers, RunDueTimers, MsUntilNextTimer};

void StartTimer(TTimer& timer, double nowMs) {
  timer.enabled = true;
  timer.dueMs = nowMs + timer.intervalMs;
}

void StopTimer(TTimer& timer) { timer.enabled = false; }

bool TimerDue(const TTimer& timer, double nowMs) { return timer.enabled && nowMs >= timer.dueMs; }

void RunDueTimers(double nowMs) {
  for (TTimer* timer : {&OpenGL_Form.Timer1, &OpenGL_Form.Timer2}) {
    if (!TimerDue(*timer, nowMs)) continue;
    StartTimer(*timer, nowMs);
    timer->onTick();
  }
}

double MsUntilNextTimer(double nowMs) {
  double wait = -1.0;
  for (const TTimer* timer : {&OpenGL_Form.Timer1, &OpenGL_Form.Timer2}) {
    if (!timer->enabled) continue;
    double left = timer->dueMs - nowMs;
    if (left < 0) left = 0;
    if (wait < 0 || left < wait) wait = left;
  }
  return wait;
}

bool SetupPixelFormat() {
  const TPixelFormatRequest request;
  const int format = WindowLayer.ChooseFormat(request);
  if (format == 0) {
    WindowLayer.ShowMessage("ChoosePixelFormat failed", "Error");
    return false;
  }
  if (!WindowLayer.SetFormat(format)) {
    WindowLayer.ShowMessage("SetPixelFormat failed", "Error");
    return false;
  }
  return true;
}

void FormCreate() {
  if (!SetupPixelFormat()) {
    WindowLayer.CloseWindow();
    return;
  }
  OpenGL_Form.contextReady = true;
  int width = 0, height = 0;
  WindowLayer.ClientSize(&width, &height);
  LoadDemo(width, height);
}

void FormResize(int clientWidth, int clientHeight) {
  if (!OpenGL_Form.contextReady) return;
  ResizeProjection(clientWidth, clientHeight);
}

void Timer1Timer() {
  StopTimer(OpenGL_Form.Timer1);
  DrawFrame();
  StartTimer(OpenGL_Form.Timer1, Platform.TickCount());
}
