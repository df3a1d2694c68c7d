// The web platform layer: the demo in a browser page, built with emscripten.
//
// The page (web/index.html) owns the HTML side: it shows the start card and
// the controls, has the browser decode the music (handed to the program for
// the meter, which fills WebMusicBuffer) and makes the AudioContext, resumed
// on the viewer's click. This layer owns the rest:
// the WebGL context on the page's canvas (drawn through the fixed-function
// layer), the platform table, the music's playback, the audio clock and the
// animation frames. Everything runs on the page's one thread.
#pragma once

#include <cstddef>
#include <cstdint>

// Makes a WebGL 1 context on the page's canvas (no antialiasing, no alpha,
// a depth buffer) current and readies the fixed-function layer. False when
// the browser gives no WebGL.
bool OpenWebCanvas();
// Sets the canvas's drawing buffer to its size on the page times the
// device's pixel ratio. True, with the new size, when that changed.
bool FitWebCanvas(int* width, int* height);
// Gives the drawing buffer a fixed size in pixels (the test entry's frames).
void SetWebCanvasSize(int width, int height);
// The drawing buffer's size in pixels.
void WebCanvasSize(int* width, int* height);

// The page's entries for the platform table (platform/platform.h), which the
// web program fills it with: the audio clock, the music the page decoded
// (started by SeekWebMusic once the viewer clicked, silence without it),
// a level of 0 (the
// page meters the PCM itself), a present that hands the frame to the browser
// and an end that tells the page.
double WebTickCount();
bool WebInitSound(int mixRate, int maxChannels);
void* WebLoadSample(const char* fileName);
int WebPlaySample(void* sample);
float WebChannelLevel(int channel);
void WebPresentFrame();
void WebEndProcess(int status);

// Room for `frames` frames of the decoded music, 16-bit interleaved stereo
// at 44.1 kHz, filled before the demo starts.
int16_t* WebMusicBuffer(size_t frames);
const int16_t* WebMusicSamples();
size_t WebMusicFrames();

// Milliseconds of music played, on the audio clock: the demo's time in ms.
// Counts from 0 when the music starts.
double WebMusicMs();
// Plays the music from `ms` milliseconds in (once the page made its
// AudioContext; paused with it while it is suspended).
void SeekWebMusic(double ms);

// Calls frame() once per animation frame of the browser until it returns
// false.
void RunWebFrames(bool (*frame)());
// Tells the page what happened: "ready", "no-webgl", "first-frame" (after a
// start), "end" with the demo's status.
void TellWebPage(const char* event, int value);
