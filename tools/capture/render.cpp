// Loading the demo on the rig, the music level of each moment, and reading
// frames back.
#include "capture/render.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "assets/manifest.h"
#include "capture/output.h"
#include "demo/demo.h"
#include "demo/flashing.h"
#include "hosts/offscreen/offscreen_demo.h"
#include "platform/audio/level_meter.h"
#include "platform/graphics/gl.h"

namespace {

// Written once by LoadCaptureMusic and OpenCapture, read by every frame.
struct TCaptureState {
  TPcm music;
  bool musicLoaded = false;
  bool levelGiven = false;
  float level = 0.0f;
};
TCaptureState capture;

}  // namespace

void LoadCaptureMusic(const TCaptureOptions& options) {
  if (capture.musicLoaded) return;
  capture.musicLoaded = true;
  const std::string musicFile = options.dataDir + "/" + kMusicFile;
  // The sound layer opens the file once and checks it there (a regular
  // file, not too long) before decoding; its reason reads "FILE is missing"
  // or "FILE: REASON".
  std::string why;
  if (!DecodeSoundFile(musicFile.c_str(), &capture.music, &why)) {
    std::fprintf(stderr, "kelvane-capture: %s: the capture is silent\n", why.c_str());
    capture.music.samples.clear();
  }
}

bool OpenCapture(const TCaptureOptions& options, std::string* error) {
  capture.levelGiven = options.levelGiven;
  capture.level = options.level;
  // Read by the frame driver's glitch and by FlashLevel; forked segments
  // inherit it.
  ReducedFlashing = options.reduceFlashing;
  LoadCaptureMusic(options);
  std::string why;
  if (!OpenDemoOffscreen(options.width, options.height, &why)) {
    *error = "offscreen OpenGL: " + why;
    return false;
  }
  // A fresh process draws the generator's sequence from its start; so does
  // every capture, whatever ran before in this process.
  ResetRandom();
  if (!StartDemoOffscreen(options.dataDir.c_str(), error)) return false;
  return true;
}

const TPcm& CaptureMusic() { return capture.music; }

float CaptureLevel(double ms) {
  if (capture.levelGiven) return capture.level;
  return MusicLevelAt(capture.music.samples.data(), capture.music.Frames(), ms);
}

float CaptureFrameLevel(int64_t frame, TFrameRate rate) {
  if (!ReducedFlashing) return CaptureLevel(FrameMs(frame, rate));
  return FlashLevel(FrameDemoTime(frame, rate), CaptureLevel);
}

float CaptureMomentLevel(double d) {
  if (!ReducedFlashing) return CaptureLevel(d / kDemoUnitsPerMs);
  return FlashLevel(d, CaptureLevel);
}

void ReadFrameBottomFirst(uint8_t* rgb) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, OffscreenWidth(), OffscreenHeight(), GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

void ReadFrameTopFirst(uint8_t* rgb) {
  ReadFrameBottomFirst(rgb);
  FlipRows(rgb, static_cast<size_t>(OffscreenWidth()) * 3, OffscreenHeight());
}

bool WriteFramePng(const std::string& fileName, const uint8_t* rgb, int width, int height) {
  std::string error;
  if (WritePngWhole(fileName, rgb, width, height, &error)) return true;
  std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
  return false;
}
