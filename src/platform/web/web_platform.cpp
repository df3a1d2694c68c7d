// The web platform layer (see web_platform.h). The JavaScript halves of the
// calls below keep their state in Module.kelvane, which the page creates:
//   ctx        the AudioContext (44.1 kHz), resumed on the viewer's click
//   out        the GainNode the music plays through (mute, volume)
//   music      the decoded AudioBuffer of kel.mp3, or undefined
//   source     the AudioBufferSourceNode playing it
//   startMs    the audio clock, in ms, at the music's first sample
#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <vector>

#include "platform/graphics/fixed_function.h"

namespace {

const char* const kCanvas = "#canvas";

// Written by WebMusicBuffer (the page's copy of the music) and the canvas
// functions.
struct TWebState {
  std::vector<int16_t> music;
  int width = 0, height = 0;
  bool (*frame)() = nullptr;
  int musicHandle = 0;  // the address LoadSample hands out
};
TWebState web;

EM_JS(double, AudioClockMs, (), {
  const k = Module.kelvane;
  return k && k.ctx ? k.ctx.currentTime * 1000 : performance.now();
});
EM_JS(int, HasAudio, (), { return Module.kelvane && Module.kelvane.ctx ? 1 : 0; });
EM_JS(int, BrowserHasAudio, (), {
  return typeof AudioContext != "undefined" || typeof webkitAudioContext != "undefined" ? 1 : 0;
});
EM_JS(void, StartMusic, (double fromMs), {
  const k = Module.kelvane;
  if (k.source) {
    k.source.onended = null;
    k.source.stop();
  }
  k.source = null;
  k.startMs = k.ctx.currentTime * 1000 - fromMs;
  if (!k.music) return;
  k.source = k.ctx.createBufferSource();
  k.source.buffer = k.music;
  k.source.connect(k.out || k.ctx.destination);
  k.source.start(0, fromMs / 1000);
});
EM_JS(double, MusicStartMs, (), {
  const k = Module.kelvane;
  return k && typeof k.startMs == "number" ? k.startMs : 0;
});
EM_JS(void, TellPage, (const char* event, int value), {
  if (Module.onKelvane) Module.onKelvane(UTF8ToString(event), value);
});

}  // namespace

double WebTickCount() { return AudioClockMs(); }
// The page makes the context itself and decodes the music while start-up
// runs; the music starts on the viewer's click (SeekWebMusic), and the
// frames the tests draw need no context at all.
bool WebInitSound(int, int) { return BrowserHasAudio() != 0; }
void* WebLoadSample(const char*) { return &web.musicHandle; }
int WebPlaySample(void* sample) { return sample ? 0 : -1; }
// The frame driver of the page computes its level from the PCM itself
// (FlashLevel); nothing reads the channel's.
float WebChannelLevel(int) { return 0.0f; }
// The browser shows the canvas when the animation frame returns.
void WebPresentFrame() { FlushFixedFunction(); }
void WebEndProcess(int status) { TellWebPage("end", status); }

namespace {

EM_BOOL AnimationFrame(double, void*) {
  if (web.frame && web.frame()) return EM_TRUE;
  web.frame = nullptr;
  return EM_FALSE;
}

}  // namespace

bool OpenWebCanvas() {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_TRUE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.majorVersion = 1;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
      emscripten_webgl_create_context(kCanvas, &attributes);
  if (context <= 0) return false;
  emscripten_webgl_make_context_current(context);
  return OpenFixedFunction();
}

bool FitWebCanvas(int* width, int* height) {
  double cssWidth = 0, cssHeight = 0;
  emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
  const double ratio = emscripten_get_device_pixel_ratio();
  const int w = static_cast<int>(std::lround(cssWidth * ratio));
  const int h = static_cast<int>(std::lround(cssHeight * ratio));
  if (w <= 0 || h <= 0 || (w == web.width && h == web.height)) return false;
  SetWebCanvasSize(w, h);
  *width = w;
  *height = h;
  return true;
}

void SetWebCanvasSize(int width, int height) {
  emscripten_set_canvas_element_size(kCanvas, width, height);
  web.width = width;
  web.height = height;
}

void WebCanvasSize(int* width, int* height) {
  if (web.width <= 0 || web.height <= 0)
    emscripten_get_canvas_element_size(kCanvas, &web.width, &web.height);
  *width = web.width;
  *height = web.height;
}

int16_t* WebMusicBuffer(size_t frames) {
  web.music.assign(frames * 2, 0);
  return web.music.data();
}
const int16_t* WebMusicSamples() { return web.music.data(); }
size_t WebMusicFrames() { return web.music.size() / 2; }

double WebMusicMs() { return AudioClockMs() - MusicStartMs(); }
void SeekWebMusic(double ms) {
  if (HasAudio()) StartMusic(ms);
}

void RunWebFrames(bool (*frame)()) {
  const bool running = web.frame != nullptr;
  web.frame = frame;
  if (!running) emscripten_request_animation_frame_loop(AnimationFrame, nullptr);
}

void TellWebPage(const char* event, int value) { TellPage(event, value); }
