// The offscreen rig. One EGL pbuffer on Mesa's surfaceless platform stands in
// for the window; the platform table gets a clock and a level that the caller
// sets, a sound layer that plays nothing, a present that counts frames and an
// end that records its status instead of ending the process. Driving the
// demo on it is src/demo/offscreen_demo.cpp's part.
#include "platform/offscreen/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/files/regular_file.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"

namespace {

// Written only by the functions of this file.
struct TRigState {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
  int width = 0;
  int height = 0;
  double ticks = 0.0;  // milliseconds
  float level = 0.0f;  // 0..1
  TRigSound sound;
  std::string loadedSample;
  int playCount = 0;
  int presentCount = 0;
  int endStatus = -1;
  std::vector<std::string> calls;  // the first kRigCallLog platform calls
};
TRigState rig;
constexpr size_t kRigCallLog = 32;

void LogCall(const char* name) {
  if (rig.calls.size() < kRigCallLog) rig.calls.push_back(name);
}
bool Fail(std::string* error, const char* what) {
  if (error) *error = what;
  CloseOffscreen();
  return false;
}

}  // namespace

namespace {
int rigSampleHandle = 0;  // the address RigLoadSample hands out
}  // namespace

double RigTickCount() {
  LogCall("TickCount");
  return rig.ticks;
}
bool RigInitSound(int, int) {
  LogCall("InitSound");
  return !rig.sound.initFails;
}
void* RigLoadSample(const char* fileName) {
  LogCall("LoadSample");
  rig.loadedSample = fileName;
  // Present as a regular file is enough: nothing is played. A FIFO or a
  // device counts as missing, as the window's sound layer treats it.
  if (RegularFileSize(fileName) < 0) return nullptr;
  return &rigSampleHandle;
}
int RigPlaySample(void* sample) {
  LogCall("PlaySample");
  if (!sample) return -1;
  ++rig.playCount;
  return 0;
}
float RigChannelLevel(int channel) { return channel == 0 ? rig.level : 0.0f; }
void RigPresentFrame() {
  eglSwapBuffers(rig.display, rig.surface);
  ++rig.presentCount;
}
void RigEndProcess(int status) {
  LogCall("EndProcess");
  rig.endStatus = status;
}

bool OpenOffscreen(int width, int height, std::string* error) {
  CloseOffscreen();
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return Fail(error, "EGL has no eglGetPlatformDisplayEXT");
  rig.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (rig.display == EGL_NO_DISPLAY) return Fail(error, "no surfaceless EGL display");
  EGLint major = 0, minor = 0;
  if (!eglInitialize(rig.display, &major, &minor)) return Fail(error, "eglInitialize failed");
#ifdef KELVANE_GLES
  // The fixed-function layer's build: OpenGL ES 2 instead of desktop GL.
  if (!eglBindAPI(EGL_OPENGL_ES_API)) return Fail(error, "EGL cannot bind OpenGL ES");
  const EGLint renderable = EGL_OPENGL_ES2_BIT;
  const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
#else
  if (!eglBindAPI(EGL_OPENGL_API)) return Fail(error, "EGL cannot bind desktop OpenGL");
  const EGLint renderable = EGL_OPENGL_BIT;
  const EGLint* contextAttributes = nullptr;
#endif

  // The window asks for 24 colour bits and a 32-bit depth buffer; take the
  // configuration without alpha that comes closest, deepest depth first.
  const EGLint want[] = {EGL_SURFACE_TYPE,
                         EGL_PBUFFER_BIT,
                         EGL_RENDERABLE_TYPE,
                         renderable,
                         EGL_RED_SIZE,
                         8,
                         EGL_GREEN_SIZE,
                         8,
                         EGL_BLUE_SIZE,
                         8,
                         EGL_DEPTH_SIZE,
                         16,
                         EGL_NONE};
  EGLConfig configs[64];
  EGLint count = 0;
  if (!eglChooseConfig(rig.display, want, configs, 64, &count) || count == 0)
    return Fail(error, "no EGL configuration with RGB and depth");
  EGLConfig best = configs[0];
  int bestScore = INT_MIN;
  for (int i = 0; i < count; ++i) {
    EGLint depth = 0, alpha = 0, stencil = 0, red = 0;
    eglGetConfigAttrib(rig.display, configs[i], EGL_DEPTH_SIZE, &depth);
    eglGetConfigAttrib(rig.display, configs[i], EGL_ALPHA_SIZE, &alpha);
    eglGetConfigAttrib(rig.display, configs[i], EGL_STENCIL_SIZE, &stencil);
    eglGetConfigAttrib(rig.display, configs[i], EGL_RED_SIZE, &red);
    int score = depth * 4 - alpha - stencil - (red == 8 ? 0 : 1000);
    if (score > bestScore) {
      bestScore = score;
      best = configs[i];
    }
  }
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  rig.surface = eglCreatePbufferSurface(rig.display, best, size);
  if (rig.surface == EGL_NO_SURFACE) return Fail(error, "cannot create the pbuffer");
  rig.context = eglCreateContext(rig.display, best, EGL_NO_CONTEXT, contextAttributes);
  if (rig.context == EGL_NO_CONTEXT) return Fail(error, "cannot create an OpenGL context");
  if (!eglMakeCurrent(rig.display, rig.surface, rig.surface, rig.context))
    return Fail(error, "cannot make the context current");
#ifdef KELVANE_GLES
  if (!OpenFixedFunction()) return Fail(error, "the fixed-function layer's shaders do not build");
#endif

  rig.width = width;
  rig.height = height;
  rig.ticks = 0.0;
  rig.level = 0.0f;
  rig.sound = TRigSound();
  rig.loadedSample.clear();
  rig.playCount = 0;
  rig.presentCount = 0;
  rig.endStatus = -1;
  rig.calls.clear();
  return true;
}

void CloseOffscreen() {
  // The display stays initialised for the life of the process: terminating
  // it unloads Mesa's driver, LLVM with it, only for the next OpenOffscreen
  // to load them again, and a leak checker could then no longer tell whose
  // allocations the driver left behind.
  if (rig.display != EGL_NO_DISPLAY) {
    eglMakeCurrent(rig.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (rig.context != EGL_NO_CONTEXT) eglDestroyContext(rig.display, rig.context);
    if (rig.surface != EGL_NO_SURFACE) eglDestroySurface(rig.display, rig.surface);
  }
  rig.surface = EGL_NO_SURFACE;
  rig.context = EGL_NO_CONTEXT;
}

int OffscreenWidth() { return rig.width; }
int OffscreenHeight() { return rig.height; }

void SetRigSound(const TRigSound& sound) { rig.sound = sound; }
const std::string& RigLoadedSample() { return rig.loadedSample; }
int RigPlayCount() { return rig.playCount; }
const std::vector<std::string>& RigPlatformCalls() { return rig.calls; }

void SetRigTicks(double ms) { rig.ticks = ms; }
void SetRigLevel(float level) { rig.level = level; }

int RigEndStatus() { return rig.endStatus; }
void ClearRigEndStatus() { rig.endStatus = -1; }
int RigPresentCount() { return rig.presentCount; }

std::vector<uint8_t> ReadFramePixels() {
  std::vector<uint8_t> rgb(static_cast<size_t>(rig.width) * rig.height * 3);
#ifdef KELVANE_GLES
  // OpenGL ES reads RGBA only; the alpha bytes are dropped.
  std::vector<uint8_t> rgba(static_cast<size_t>(rig.width) * rig.height * 4);
  glReadPixels(0, 0, rig.width, rig.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (size_t i = 0, n = rgb.size() / 3; i < n; ++i)
    std::copy(&rgba[i * 4], &rgba[i * 4 + 3], &rgb[i * 3]);
#else
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, rig.width, rig.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
#endif
  FlipRows(rgb.data(), static_cast<size_t>(rig.width) * 3, rig.height);
  return rgb;
}

void FlipRows(uint8_t* pixels, size_t rowBytes, int height) {
  for (int y = 0; y < height / 2; ++y)
    std::swap_ranges(pixels + y * rowBytes, pixels + (y + 1) * rowBytes,
                     pixels + (height - 1 - y) * rowBytes);
}
