// kelvane-player: the loop. Each pass reads the keys, works out the demo
// time (the music's position while it plays, the system clock in silence,
// a fixed moment while paused) and draws that moment letterboxed at the
// designed aspect. A paused frame is drawn again with the generator put back
// where it was, so it never changes; a seek replays the generator's draws
// as the capture does, so the frame after it is the capture's frame.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/data_folder.h"
#include "assets/manifest.h"
#include "assets/textures.h"
#include "demo/demo.h"
#include "demo/demo_time.h"
#include "demo/flashing.h"
#include "demo/frame_clock.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/player_sound.h"
#include "platform/files/regular_file.h"
#include "platform/files/user_folders.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"
#include "platform/process/arguments.h"
#include "platform/process/stop_signals.h"
#include "platform/sdl/player_osd.h"
#include "platform/sdl/player_window.h"
#include "platform/sdl/sdl_common.h"
#include "player/display.h"
#include "player/player.h"
#include "png_file.h"

namespace {

constexpr double kUnitsPerMs = kDemoUnitsPerMs;
// The clock follows the music: when the two part by more than this, the
// clock jumps to the music (ms; about two mixing blocks).
constexpr double kResyncMs = 50.0;
constexpr double kTitleSecondsAfterSeek = 2.0;
constexpr double kMessageMs = 2000.0;
constexpr double kBarMs = 3000.0;
constexpr double kPointerHideMs = 1000.0;
constexpr int kOverlayWaitMs = 50;  // paused, while an overlay stands or has just gone
constexpr int kVolumeStep = 10;     // %
constexpr int kPausedWaitMs = 100;
constexpr int kDecodeWaitMs = 5;
constexpr int kResizeRedraws = 3;
constexpr int kQuickSwapsToPace = 5;
constexpr int kDecoderNice = 10;

// Written by the loop below, on the player's one thread; the decoder thread
// writes only `music` and then `decoded`.
struct TPlayer {
  TPlayerOptions options;
  TPcm music;
  // Made once and never destroyed: a process that ends while it runs (an X
  // server that goes away ends it from Xlib) must not stop on a joinable
  // thread's destructor.
  std::thread* decoder = nullptr;
  std::string decodeError;
  std::atomic<bool> decoded{false};
  bool sound = false;         // sound output is open
  bool musicStarted = false;  // the stream is hooked
  bool running = true;
  bool ended = false;  // the timeline passed its end
  bool paused = false;
  bool resumeWhenDecoded = false;  // paused only while the music decodes
  double pausedAt = 0.0;           // demo units
  double anchorAt = 0.0;           // demo time at anchorMs, while playing
  double anchorMs = 0.0;
  uint32_t startState = 0;  // the generator after LoadDemo
  uint32_t frameState = 0;  // the generator before the paused frame
  double titleUntilMs = 0.0;
  std::string title;
  bool pacing = false;  // the swap does not wait: pace by the clock
  int quickSwaps = 0;   // swaps in a row that did not wait
  double periodMs = 1000.0 / 60.0;
  double lastSwapMs = 0.0;
  double nextFrameMs = 0.0;
  int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
  int drawableWidth = 0, drawableHeight = 0;
  bool bars = false;
  // What shows over the picture.
  bool osd = false;   // the on-screen display opened
  bool card = false;  // the start card is up; the timeline waits behind it
  std::string message;
  double messageUntilMs = 0.0;
  double barUntilMs = 0.0;
  bool barHeld = false;
  int hoverX = -1, hoverY = -1;  // the pointer over the drawable, -1 when away
  bool overlayShown = false;     // the last frame went out with something over it
  double motionMs = 0.0;         // the pointer last moved
  bool pointerVisible = true;
  int volume = 100;  // %
  bool muted = false;
  bool screenshotWanted = false;
  std::string startFolder;  // where the player was started, for screenshots
} player;

float LevelAtMs(double ms) {
  if (!player.decoded.load()) return 0.0f;
  return MusicLevelAt(player.music.samples.data(), player.music.Frames(), ms);
}

int64_t MusicFrame(double d) { return static_cast<int64_t>(d / kUnitsPerMs * kMusicRate / 1000.0); }

// The demo time now. While playing, the system clock between anchors, set
// again to the music's position whenever the two part.
double Now() {
  if (player.paused) return player.pausedAt;
  const double nowMs = PlayerClockMs();
  if (player.musicStarted) {
    const double musicMs = PlayerMusicMs(nowMs);
    const double clockMs = player.anchorAt / kUnitsPerMs + (nowMs - player.anchorMs);
    if (musicMs >= 0.0 && std::fabs(musicMs - clockMs) > kResyncMs) {
      player.anchorAt = musicMs * kUnitsPerMs;
      player.anchorMs = nowMs;
    }
  }
  return player.anchorAt + (nowMs - player.anchorMs) * kUnitsPerMs;
}

// Moves the playhead to demo time d, playing or paused, with the generator
// where a capture has it there.
void MoveTo(double d) {
  d = std::clamp(d, 0.0, kDemoEnd);
  player.anchorAt = d;
  player.anchorMs = PlayerClockMs();
  player.pausedAt = d;
  if (player.musicStarted) SeekPlayerMusic(MusicFrame(d));
  ReplayDrawsBefore(d, player.startState);
  player.frameState = RandomState();
  player.titleUntilMs = PlayerClockMs() + 1000.0 * kTitleSecondsAfterSeek;
}

void SetPaused(bool paused) {
  if (paused == player.paused) return;
  const double d = Now();
  player.paused = paused;
  if (player.musicStarted) SetPlayerMusicPaused(paused);
  MoveTo(d);
}

// Starts the music at the playhead once it is decoded.
void StartMusicWhenDecoded() {
  if (player.musicStarted || !player.sound || !player.decoded.load()) return;
  if (player.music.samples.empty()) return;
  StartPlayerMusic(&player.music);
  SeekPlayerMusic(MusicFrame(Now()));
  SetPlayerMusicPaused(player.paused);
  player.musicStarted = true;
}

void UpdateTitle() {
  std::string title = "Kelvane";
  const bool waiting = player.resumeWhenDecoded && player.decoder->joinable();
  if ((player.paused && !waiting) || PlayerClockMs() < player.titleUntilMs) {
    const double d = player.paused ? player.pausedAt : Now();
    char text[160];
    std::snprintf(text, sizeof text, "Kelvane - %s - %s (%.2f)%s", SceneTitleAt(d),
                  FormatDemoTime(d).c_str(), d, player.paused ? " - paused" : "");
    title = text;
  }
  if (title == player.title) return;
  player.title = title;
  SetPlayerTitle(title.c_str());
}

// The picture's place in the drawable: the designed aspect, as large as
// fits, centred; the projection is the one the demo sets for that size.
void Layout() {
  int width = 0, height = 0;
  PlayerDrawableSize(&width, &height);
  player.drawableWidth = width;
  player.drawableHeight = height;
  int w = width, h = static_cast<int>(
                     std::lround(width * double(kDesignedClientHeight) / kDesignedClientWidth));
  if (h > height) {
    h = height;
    w = static_cast<int>(
        std::lround(height * double(kDesignedClientWidth) / kDesignedClientHeight));
  }
  player.viewportX = (width - w) / 2;
  player.viewportY = (height - h) / 2;
  player.viewportWidth = w;
  player.viewportHeight = h;
  player.bars = w != width || h != height;
  ResizeProjection(w, h);
  glViewport(player.viewportX, player.viewportY, w, h);
  glScissor(player.viewportX, player.viewportY, w, h);
  glEnable(GL_SCISSOR_TEST);
}

bool BarShown() { return player.barHeld || PlayerClockMs() < player.barUntilMs; }
bool MessageShown() { return !player.message.empty() && PlayerClockMs() < player.messageUntilMs; }

void ShowMessage(const std::string& text) {
  player.message = text;
  player.messageUntilMs = PlayerClockMs() + kMessageMs;
}

// "Paused 0:44.3 · Particle morph", and the like for a moment.
std::string Moment(const char* what, double d) {
  return std::string(what) + (*what ? " " : "") + FormatDemoTime(d) + " \u00b7 " + SceneTitleAt(d);
}

// Where screenshots go: the user's pictures folder, else the folder the
// player was started in.
std::string PicturesFolder() {
  const std::string pictures = UserPicturesFolder();
  return pictures.empty() ? player.startFolder : pictures;
}

// The picture just drawn, without the bars or anything over it, as
// kelvane-D.png (D the demo time); written whole (WriteFileWhole), so an
// older one of the name is replaced and a failed write leaves nothing.
void SaveScreenshot(double d) {
  const int w = player.viewportWidth, h = player.viewportHeight;
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3), rows(pixels.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(player.viewportX, player.viewportY, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  for (int y = 0; y < h; ++y)
    std::memcpy(&rows[static_cast<size_t>(y) * w * 3],
                &pixels[static_cast<size_t>(h - 1 - y) * w * 3], static_cast<size_t>(w) * 3);
  char name[64];
  std::snprintf(name, sizeof name, "kelvane-%.2f.png", d);
  const std::string path = (std::filesystem::u8path(PicturesFolder()) / name).u8string();
  std::string error;
  if (WriteFileWhole(
          path, [&](FILE* f) { return WritePngStream(f, rows.data(), w, h, 3); }, &error)) {
    ShowMessage("Screenshot saved: " + path);
    std::fprintf(stderr, "kelvane-player: screenshot saved: %s\n", path.c_str());
  } else {
    ShowMessage("Screenshot not saved: cannot write " + path);
    std::fprintf(stderr, "kelvane-player: %s\n", error.c_str());
  }
}

// Over the frame, at the drawable's resolution: the card, the message, the
// bar. Nothing at all when none of them stands, so the frame stays the
// capture's to the byte.
void DrawOverlays(double d) {
  const int w = player.drawableWidth, h = player.drawableHeight;
  player.overlayShown = false;
  if (!player.osd) return;
  if (player.card) {
    DrawStartCard(w, h, ReducedFlashing);
    player.overlayShown = true;
  }
  if (!player.card && BarShown()) {
    const bool hovering = player.hoverX >= 0 && player.hoverY >= TimelineBarTop(w, h);
    DrawTimelineBar(w, h, d, hovering ? player.hoverX : -1);
    player.overlayShown = true;
  }
  if (MessageShown()) {
    DrawMessage(player.message, w, h);
    player.overlayShown = true;
  }
}

// The moment being drawn, for the overlays and the screenshot.
double drawnAt = 0.0;

void PresentFrame() {
  if (player.screenshotWanted && !player.card) {
    player.screenshotWanted = false;
    SaveScreenshot(drawnAt);
  }
  DrawOverlays(drawnAt);
  SwapPlayerWindow();
  const double now = PlayerClockMs();
  // Swaps that come back well inside a refresh, several in a row (a
  // compositor may take the first ones at once), do not wait for the
  // display: the loop then paces itself.
  const bool quick = player.lastSwapMs > 0.0 && now - player.lastSwapMs < player.periodMs * 0.5;
  player.quickSwaps = quick ? player.quickSwaps + 1 : 0;
  if (player.options.vsync && player.quickSwaps >= kQuickSwapsToPace) player.pacing = true;
  player.lastSwapMs = now;
}

void DrawAt(double d) {
  if (player.bars) {
    // The bars are black; the frame's own clear stays inside the picture.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
  }
  drawnAt = d;
  if (player.card) {
    // The card stands over black; the timeline waits behind it.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    PresentFrame();
    return;
  }
  if (player.paused) SetRandomState(player.frameState);
  DrawFrameAt(d, FlashLevel(d, LevelAtMs));
}

void Pace() {
  if (!player.pacing) return;
  const double now = PlayerClockMs();
  player.nextFrameMs = std::max(player.nextFrameMs + player.periodMs, now - player.periodMs);
  if (player.nextFrameMs > now)
    std::this_thread::sleep_for(
        std::chrono::duration<double, std::milli>(player.nextFrameMs - now));
}

void EndProcess(int) { player.ended = true; }

// Leaves the start card and plays, now or as soon as the music is decoded.
void StartFromCard() {
  player.card = false;
  if (player.decoder->joinable())
    player.resumeWhenDecoded = true;
  else
    SetPaused(false);
}

// A seek asked for by the viewer: one outside the loop ends the loop.
void SeekTo(double d, const char* what = "") {
  d = std::clamp(d, 0.0, kDemoEnd);
  TPlayerOptions& o = player.options;
  const bool leaves = o.loop && (d < o.loopFrom || d > o.loopTo);
  if (leaves) o.loop = false;
  MoveTo(d);
  ShowMessage((leaves ? "Loop off \u00b7 " : "") + Moment(what, d));
}

// Pauses (when playing) and steps one frame forward or back.
void Step(double d, bool forward) {
  player.resumeWhenDecoded = false;
  if (!player.paused) {
    SetPaused(true);
    d = player.pausedAt;
  }
  SeekTo(forward ? NextFrameTime(d) : PreviousFrameTime(d), "Paused");
}

void SetVolume(int volume, bool muted) {
  player.volume = std::clamp(volume, 0, 100);
  player.muted = muted;
  SetPlayerMusicVolume(player.volume, player.muted);
  ShowMessage(player.muted ? std::string("Muted")
                           : "Volume " + std::to_string(player.volume) + " %");
}

void TogglePause() {
  player.resumeWhenDecoded = false;
  SetPaused(!player.paused);
  ShowMessage(Moment(player.paused ? "Paused" : "Playing", player.pausedAt));
}

void HandleKey(TPlayerKey key) {
  const double d = Now();
  if (player.card) {
    // Behind the card only its own keys and the window's count.
    switch (key) {
      case kKeyPause:
      case kKeyEnter:
        StartFromCard();
        return;
      case kKeyFullscreen:
      case kKeyEscape:
      case kKeyQuit:
      case kKeyReduceFlashing:
        break;
      default:
        return;
    }
  }
  switch (key) {
    case kKeyFullscreen:
      SetPlayerFullscreen(!PlayerFullscreen());
      break;
    case kKeyEscape:
      if (PlayerFullscreen())
        SetPlayerFullscreen(false);
      else
        player.running = false;
      break;
    case kKeyQuit:
      player.running = false;
      break;
    case kKeyPause:
      TogglePause();
      break;
    case kKeyBack5:
    case kKeyForward5:
    case kKeyBack30:
    case kKeyForward30: {
      const double seconds = key == kKeyBack5      ? -5
                             : key == kKeyForward5 ? 5
                             : key == kKeyBack30   ? -30
                                                   : 30;
      SeekTo(NearestFrameTime(d + seconds * 1000.0 * kUnitsPerMs));
      break;
    }
    case kKeyHome:
      SeekTo(0.0);
      break;
    case kKeyPreviousScene:
      SeekTo(FirstFrameTimeFrom(PreviousSceneStart(d)));
      break;
    case kKeyNextScene: {
      const double next = NextSceneStart(d);
      if (next >= 0.0) SeekTo(FirstFrameTimeFrom(next));
      break;
    }
    case kKeyLoop: {
      TPlayerOptions& o = player.options;
      const int row = SceneRowAt(d);
      if (o.loop || row < 0) {
        o.loop = false;
        ShowMessage("Loop off");
      } else {
        const TWindow& w = kTimeline[row].window;
        o.loop = true;
        o.loopFrom = w.startEdge == TEdge::kUnbounded ? 0.0 : w.start;
        o.loopTo = w.end;
        ShowMessage(std::string("Loop on: ") + kTimeline[row].title);
      }
      break;
    }
    case kKeyStep:
    case kKeyStepBack:
      Step(d, key == kKeyStep);
      break;
    case kKeyReduceFlashing:
      // The glitch's draws depend on it: the generator is replayed for it.
      ReducedFlashing = !ReducedFlashing;
      MoveTo(d);
      ShowMessage(ReducedFlashing ? "Reduced flashing on" : "Reduced flashing off");
      break;
    case kKeyMute:
      SetVolume(player.volume, !player.muted);
      break;
    case kKeyVolumeDown:
    case kKeyVolumeUp:
      SetVolume(player.volume + (key == kKeyVolumeUp ? kVolumeStep : -kVolumeStep), false);
      break;
    case kKeyScreenshot:
      player.screenshotWanted = true;
      break;
    case kKeyTimeline:
      // A press shows the bar for 3 s; a second while it shows holds it;
      // a third hides it.
      if (player.barHeld) {
        player.barHeld = false;
        player.barUntilMs = 0.0;
      } else if (BarShown()) {
        player.barHeld = true;
      } else {
        player.barUntilMs = PlayerClockMs() + kBarMs;
      }
      break;
    case kKeyEnter:
    case kKeyNone:
      break;
  }
}

bool OverBar(int y) {
  return player.osd && y >= TimelineBarTop(player.drawableWidth, player.drawableHeight);
}

// mpv's mouse: a click on the bar seeks there, a double click is
// fullscreen, the right button pauses, the wheel seeks 5 s a step.
void HandleMouse(const TPlayerEvent& event) {
  switch (event.kind) {
    case TPlayerEventKind::kClick:
      if (player.card) {
        StartFromCard();
      } else if (event.button == kButtonLeft && event.clicks == 2) {
        SetPlayerFullscreen(!PlayerFullscreen());
      } else if (event.button == kButtonLeft && BarShown() && OverBar(event.y)) {
        SeekTo(NearestFrameTime(BarTimeAt(event.x, player.drawableWidth)));
        player.barUntilMs = std::max(player.barUntilMs, PlayerClockMs() + kBarMs);
      } else if (event.button == kButtonRight) {
        TogglePause();
      }
      break;
    case TPlayerEventKind::kWheel:
      if (!player.card)
        SeekTo(NearestFrameTime(Now() + (event.wheel > 0 ? 5 : -5) * 1000.0 * kUnitsPerMs));
      break;
    case TPlayerEventKind::kMotion:
      player.hoverX = event.x;
      player.hoverY = event.y;
      player.motionMs = PlayerClockMs();
      // The pointer over the bottom of the picture brings the bar up.
      if (!player.card && OverBar(event.y))
        player.barUntilMs = std::max(player.barUntilMs, PlayerClockMs() + kBarMs);
      break;
    case TPlayerEventKind::kPointerLeft:
      player.hoverX = player.hoverY = -1;
      break;
    default:
      break;
  }
}

// In fullscreen the pointer hides after a second without motion.
void UpdatePointer() {
  const bool visible = !PlayerFullscreen() || PlayerClockMs() - player.motionMs < kPointerHideMs;
  if (visible == player.pointerVisible) return;
  player.pointerVisible = visible;
  SetPlayerPointerVisible(visible);
}

// The watched files' change times, by their place in the manifest's list.
struct TWatch {
  double nextMs = 0.0;
  int64_t changed[kAssetFileCount] = {};  // FileChangeTime
} watch;

// Loads a picture or mesh of the pack again when its file has changed since
// the last look (four looks a second). True when something was loaded.
bool ReloadChanged() {
  const double now = PlayerClockMs();
  if (now < watch.nextMs) return false;
  watch.nextMs = now + 250.0;
  bool reloaded = false;
  for (int i = 0; i < kAssetFileCount; ++i) {
    const char* file = kAssetFiles.names[i];
    const int64_t t = FileChangeTime(file);
    if (t == watch.changed[i]) continue;
    watch.changed[i] = t;
    for (const TTextureAsset& texture : kTextureAssets) {
      if (std::string(texture.file) != file &&
          !(texture.alphaFile && std::string(texture.alphaFile) == file))
        continue;
      glDeleteTextures(1, &TextureSlot(Textures, texture.slot));
      if (texture.alphaFile)
        LoadAlphaTexture(Textures, texture.file, texture.alphaFile, texture.slot);
      else
        LoadTexture(Textures, texture.file, texture.slot);
      std::fprintf(stderr, "kelvane-player: %s loaded again\n", file);
      reloaded = true;
    }
    for (const TMeshAsset& mesh : kMeshAssets) {
      if (std::string(mesh.file) != file) continue;
      CompileStartupMeshes();
      std::fprintf(stderr, "kelvane-player: %s loaded again\n", file);
      reloaded = true;
    }
  }
  return reloaded;
}

void StartWatching() {
  for (int i = 0; i < kAssetFileCount; ++i) watch.changed[i] = FileChangeTime(kAssetFiles.names[i]);
  watch.nextMs = PlayerClockMs() + 250.0;
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "kelvane-player: %s\n", text.c_str());
  if (player.options.messageBox) ShowPlayerMessage(("Kelvane could not start: " + text).c_str());
  return 1;
}

// The platform table LoadDemo and DrawFrameAt go through: sound is the
// player's own business, so start-up finds it ready and plays nothing.

int Run() {
  std::string error;
  TPlayerOptions& o = player.options;
  player.startFolder = CurrentFolder();
  if (o.dataDir.empty()) {
    std::string tried;
    o.dataDir = FindDataDir(&tried);
  }
  std::error_code entered;
  std::filesystem::current_path(std::filesystem::u8path(o.dataDir), entered);
  if (entered) return Fail("cannot enter the data folder " + o.dataDir + ": " + entered.message());
  if (!HoldsDemoAssets("."))
    return Fail("no asset pack in " + o.dataDir + "; give its folder with --data DIR");

  // Sound first, on this thread as SDL wants its subsystems started; the
  // music then decodes on its own thread while the window opens, start-up
  // loads the pictures and meshes and the first frames are drawn.
  std::string soundError;
  player.sound = OpenPlayerSound(&soundError);
  if (!player.sound) OpenSilentPlayerSound();
  player.decoder = new std::thread([] {
    // Behind the start-up and the frames on a busy machine.
    LowerDecoderPriority(kDecoderNice);
    if (!DecodeSoundFile(kMusicFile, &player.music, &player.decodeError))
      player.music.samples.clear();
    player.decoded.store(true);
  });

  const TPlayerWindowRequest request = {
      "Kelvane",    "kelvane-player", kDesignedClientWidth, kDesignedClientHeight,
      o.fullscreen, o.vsync};
  if (!OpenPlayerWindow(request, &error)) {
    player.decoder->join();
    return Fail(error);
  }
  std::fprintf(stderr, "kelvane-player: %s\n", kPhotosensitivityWarning);
  std::string osdError;
  player.osd = OpenPlayerOsd(&osdError);
  if (!player.osd)
    std::fprintf(stderr, "kelvane-player: %s: playing without the on-screen display\n",
                 osdError.c_str());
  // The card carries the warning, so it needs the display to stand on.
  player.card = o.startCard && player.osd;
  if (!player.sound)
    std::fprintf(stderr, "kelvane-player: no sound output (%s): playing in silence\n",
                 soundError.c_str());

  Platform = TPlatform{PlayerClockMs,  SoundPlayedByHost, NoSample,  NoPlaySample,
                       NoChannelLevel, PresentFrame,      EndProcess};
  ReducedFlashing = o.reduceFlashing;
  for (const TTextureAsset& texture : kTextureAssets)
    if (texture.slot == kSlotOpeningTitle) SetPlayerIcon(texture.file);
  LoadDemo(kDesignedClientWidth, kDesignedClientHeight);
  player.startState = RandomState();
  if (o.watch) StartWatching();

  player.periodMs = 1000.0 / PlayerRefreshRate();
  // Until the music is decoded the first frame stands, paused, so that the
  // picture shows at once and the music still starts with it.
  player.paused = true;
  player.resumeWhenDecoded = !o.startPaused && !player.card;
  MoveTo(o.from);
  player.titleUntilMs = 0.0;
  ShowPlayerWindow();
  Layout();
  // Frames still to draw while paused: one after a key or an expose, a few
  // after a resize, which some drivers apply to the back buffer only at the
  // next swap.
  int redraws = 1;
  while (player.running) {
    TPlayerEvent event;
    const bool decoding = player.decoder->joinable();
    // Paused, an overlay that stands (or has just gone) is drawn again a
    // few times a second, so it leaves on time.
    const bool overlays = MessageShown() || BarShown() || (player.overlayShown && !player.card);
    const int wait = !player.paused || redraws > 0 ? 0
                     : decoding                    ? kDecodeWaitMs
                     : overlays                    ? kOverlayWaitMs
                                                   : kPausedWaitMs;
    while (player.running && NextPlayerEvent(wait, &event)) {
      if (event.kind == TPlayerEventKind::kQuit) player.running = false;
      if (event.kind == TPlayerEventKind::kKey) HandleKey(event.key);
      if (event.kind == TPlayerEventKind::kResized) Layout();
      HandleMouse(event);
      redraws = std::max(redraws, event.kind == TPlayerEventKind::kResized ? kResizeRedraws : 1);
      if (wait > 0) break;
    }
    if (!player.running) break;
    UpdatePointer();
    if (player.paused && (MessageShown() || BarShown() || (player.overlayShown && !player.card)))
      redraws = std::max(redraws, 1);
    if (o.watch && ReloadChanged()) redraws = std::max(redraws, 1);
    if (player.decoder->joinable() && player.decoded.load()) {
      // The first frames went out on the system clock while the music
      // decoded; from here the clock follows the music, and a paused frame
      // is drawn again with the music's flash.
      player.decoder->join();
      if (!player.decodeError.empty())
        std::fprintf(stderr, "kelvane-player: %s: playing in silence\n",
                     player.decodeError.c_str());
      StartMusicWhenDecoded();
      if (player.resumeWhenDecoded) {
        SetPaused(false);
        player.titleUntilMs = 0.0;  // a start, not a seek
      }
      redraws = std::max(redraws, 1);
    }
    if (!player.paused || redraws > 0) {
      double d = Now();
      if (o.loop && (d > o.loopTo || d < o.loopFrom)) {
        MoveTo(o.loopFrom);
        d = o.loopFrom;
      }
      DrawAt(d);
      if (player.ended) break;
      if (redraws > 0) --redraws;
      Pace();
    }
    // After the frame, so a title naming a moment means its frame is shown.
    UpdateTitle();
  }
  if (player.decoder->joinable()) player.decoder->join();
  ClosePlayerOsd();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  TUtf8Arguments arguments(argc, argv);
  if (!ParsePlayerArgs(arguments.argc(), arguments.argv(), &player.options, &error)) {
    std::fprintf(stderr, "kelvane-player: %s\nTry 'kelvane-player --help'.\n", error.c_str());
    return 2;
  }
  if (player.options.help) {
    std::fputs(kPlayerUsage, stdout);
    return 0;
  }
  if (player.options.version) {
    std::puts(kPlayerVersion);
    return 0;
  }
  if (player.options.checkSound) {
    std::string why;
    if (OpenPlayerSound(&why)) return 0;
    std::fprintf(stderr, "kelvane-player: no sound output: %s\n", why.c_str());
    return 1;
  }
  // Started from Explorer (Windows, no console): a failure shows in a box.
  if (StderrGoesNowhere()) player.options.messageBox = true;
  // A stop request ends the player as a window's close does, and it exits
  // with 128 + the signal's number (130, 143, 129), as the tools do.
  WatchStopSignals(AskPlayerWindowToClose);
  const int status = Run();
  return StopSignalCaught() ? 128 + StopSignalCaught() : status;
}
