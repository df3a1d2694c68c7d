#include "demo/form.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "demo/demo.h"
#include "platform/platform.h"

const char* const kFormCaption = "Kelvane Drossim / ZUW - 2002. ";

TOpenGL_Form OpenGL_Form = {
    "OpenGL_Form",
    "TOpenGL_Form",
    false,
    {5, true, 0.0, Timer1Timer},
    {200, true, 0.0, Framerate},
    {},
};

double MouseOffsetX = 0.0;
double MouseOffsetY = 0.0;
bool MouseButtonDown = false;

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

void Framerate() {
  const char separator = LocaleDecimalSeparator();
  OpenGL_Form.ListBox1.clear();
  OpenGL_Form.ListBox1.push_back(FormatGeneral(DemoTime, separator));
  OpenGL_Form.ListBox1.push_back(FormatGeneral(MouseOffsetX, separator));
}

void movemouse(int x, int y) {
  MouseOffsetX = (x - 100) / 30.0;
  MouseOffsetY = (y - 100) / 30.0;
}

void mousedown() { MouseButtonDown = true; }
void mouseup() { MouseButtonDown = false; }

std::string FormatGeneral(double value, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0.0) return "0";

  // 15 significant digits, rounded once: d.dddddddddddddde[+-]x.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  digits += buffer[0];
  digits.append(buffer + 2, 14);
  const int exponent = std::atoi(buffer + 17);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = value < 0 ? "-" : "";
  if (exponent >= -5 && exponent < 15) {
    if (exponent >= 0) {
      std::string whole = digits.substr(0, std::min<size_t>(digits.size(), exponent + 1));
      whole.append(exponent + 1 - whole.size(), '0');
      text += whole;
      if (digits.size() > static_cast<size_t>(exponent + 1))
        text += separator + digits.substr(exponent + 1);
    } else {
      text += '0';
      text += separator;
      text.append(-exponent - 1, '0');
      text += digits;
    }
    return text;
  }
  text += digits[0];
  if (digits.size() > 1) text += separator + digits.substr(1);
  text += 'E';
  text += std::to_string(exponent);
  return text;
}

char LocaleDecimalSeparator() {
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, user);
  const char separator = (radix && radix[0]) ? radix[0] : '.';
  freelocale(user);
  return separator;
}
