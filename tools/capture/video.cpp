// The video: raw RGB frames on ffmpeg's standard input, the music's PCM on a
// second pipe (ffmpeg's descriptor 3), encoded as H.264 and AAC into an MP4.
//
// On two cores the renderer (our thread and Mesa's rasteriser threads) and
// x264 must never wait for each other. The main thread draws frame n + 1 and
// reads it back while a writer thread hands frame n to ffmpeg, through a
// ring of kFrameSlots frames; the writer sends the rows in reverse, since GL
// reads the bottom row first, so no frame is copied on our side. A third
// thread writes the PCM, so no pipe can stall another however ffmpeg
// interleaves its reads. ffmpeg runs in a process group of its own: Ctrl-C
// reaches only this process, which stops rendering, sends what it has read
// back, closes both pipes and lets ffmpeg finish the file, so it stays
// playable.
#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/ffmpeg.h"
#include "capture/render.h"
#include "platform/level_meter.h"

namespace {

// PCM is written in blocks of this many stereo frames (about 93 ms).
constexpr int64_t kAudioBlockFrames = 4096;
// Frames between readback and ffmpeg: one being read back, one being
// written, one spare so that neither side waits on a slow frame.
constexpr int kFrameSlots = 3;

// x264 at CRF 18, high profile, yuv420p. The preset is measured, on the
// whole timeline at 676 x 526 with x264 alone (CPU time, file, SSIM against
// the rendered frames): veryfast 43 s, 58.7 MB, 0.9867; superfast 27 s,
// 86.0 MB, 0.9897; ultrafast 13 s, 141.6 MB, 0.9900. superfast spends the
// bits that veryfast's search saves, so the picture is no worse, and leaves
// the CPU time to the rasteriser; ultrafast saves little more for a file
// two and a half times as large.
const char* const kVideoPreset = "superfast";

// The frames between the main thread (readback) and the writer thread:
// slot n % kFrameSlots holds frame n from its readback until it is written.
struct TFrameRing {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<uint8_t> slots[kFrameSlots];
  int64_t filled = 0;   // frames read back, written only by the main thread
  int64_t written = 0;  // frames handed to ffmpeg, written only by the writer
  bool closed = false;  // the main thread reads back no more frames
  bool failed = false;  // ffmpeg stopped reading
};

// Writes `count` rows from `rows`, however the pipe splits them.
bool WriteRows(int fd, iovec* rows, int count) {
  while (count > 0) {
    const ssize_t n = writev(fd, rows, std::min(count, IOV_MAX));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    size_t left = static_cast<size_t>(n);
    while (count > 0 && left >= rows->iov_len) {
      left -= rows->iov_len;
      ++rows;
      --count;
    }
    if (count > 0) {
      rows->iov_base = static_cast<char*>(rows->iov_base) + left;
      rows->iov_len -= left;
    }
  }
  return true;
}

// The writer thread: each frame read back, top row first, into fd; then
// closes fd.
void WriteFrames(TFrameRing* ring, int fd, int width, int height) {
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<iovec> rows(static_cast<size_t>(height));
  for (;;) {
    std::unique_lock<std::mutex> hold(ring->lock);
    ring->changed.wait(hold, [ring] { return ring->filled > ring->written || ring->closed; });
    if (ring->filled == ring->written) break;
    uint8_t* frame = ring->slots[ring->written % kFrameSlots].data();
    hold.unlock();
    for (int y = 0; y < height; ++y)
      rows[y] = iovec{frame + static_cast<size_t>(height - 1 - y) * stride, stride};
    const bool sent = WriteRows(fd, rows.data(), height);
    hold.lock();
    if (!sent) {
      ring->failed = true;
      ring->changed.notify_all();
      break;
    }
    ++ring->written;
    ring->changed.notify_all();
  }
  close(fd);
}

std::vector<std::string> VideoArgs(const TCaptureOptions& o) {
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  const std::string rate = std::to_string(o.fps.num) + "/" + std::to_string(o.fps.den);
  std::vector<std::string> args = {
      "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
      // Picture: tightly packed RGB rows, top first, one frame after another.
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i",
      "pipe:0"};
  // A segment has no sound: the join adds the music of the whole span.
  const bool sound = o.segments == 0;
  if (sound)
    for (const std::string& a : FfmpegPcmInput()) args.push_back(a);
  const std::vector<std::string> picture = {
      "-map", "0:v:0", "-c:v", "libx264", "-preset", kVideoPreset, "-crf", "18", "-profile:v",
      "high", "-pix_fmt", "yuv420p",
      // BT.709 colour, said in the stream so every player reads it alike.
      "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-colorspace", "bt709",
      "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"};
  args.insert(args.end(), picture.begin(), picture.end());
  if (!sound) {
    for (const char* a : {"-movflags", "+faststart"}) args.push_back(a);
    args.push_back(o.target);
    return args;
  }
  args.push_back("-map");
  args.push_back("1:a:0");
  for (const std::string& a : FfmpegAacOutput(o.target)) args.push_back(a);
  return args;
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, at, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void WriteAudio(int fd, int64_t first, int64_t count, const std::atomic<bool>* stop) {
  static const int16_t kSilence[kAudioBlockFrames * kMusicChannels] = {};
  const TPcm& music = CaptureMusic();
  const int64_t musicFrames = static_cast<int64_t>(music.Frames());
  int64_t done = 0;
  while (done < count && !stop->load()) {
    const int64_t frame = first + done;
    int64_t n = std::min(kAudioBlockFrames, count - done);
    const int16_t* samples = kSilence;
    if (frame < musicFrames) {
      n = std::min(n, musicFrames - frame);
      samples = music.samples.data() + frame * kMusicChannels;
    }
    if (!WriteAll(fd, samples, static_cast<size_t>(n) * kMusicChannels * sizeof(int16_t))) break;
    done += n;
  }
  close(fd);
}

std::vector<std::string> FfmpegPcmInput() {
  return {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3"};
}

std::vector<std::string> FfmpegAacOutput(const std::string& target) {
  return {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", target};
}

pid_t StartFfmpeg(const std::vector<std::string>& args, int* inputFd, int* audioFd) {
  int input[2], audio[2];
  if (pipe2(input, O_CLOEXEC) != 0) return -1;
  if (pipe2(audio, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ffmpeg"));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    // Out of the terminal's foreground group: Ctrl-C is ours to handle.
    setpgid(0, 0);
    signal(SIGINT, SIG_IGN);
    // Lift both read ends clear of 0 and 3 before putting them there.
    const int v = fcntl(input[0], F_DUPFD, 10);
    const int a = fcntl(audio[0], F_DUPFD, 10);
    if (v < 0 || a < 0 || dup2(v, 0) < 0 || dup2(a, 3) < 0) _exit(126);
    close(v);
    close(a);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(input[0]);
  close(audio[0]);
  if (pid < 0) {
    close(input[1]);
    close(audio[1]);
    return -1;
  }
  *inputFd = input[1];
  *audioFd = audio[1];
  return pid;
}

bool FinishFfmpeg(pid_t ffmpeg, const std::string& target) {
  int status = 0;
  while (waitpid(ffmpeg, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
    std::fprintf(stderr, "kelvane-capture: ffmpeg is missing (Debian package ffmpeg)\n");
  else
    std::fprintf(stderr, "kelvane-capture: ffmpeg failed on %s\n", target.c_str());
  return false;
}

int CaptureVideo(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  std::string error;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  SkipFramesBefore(first, options.fps);
  if (CaptureInterrupted) return kExitInterrupted;
  TFrameRing ring;
  for (std::vector<uint8_t>& slot : ring.slots)
    slot.resize(static_cast<size_t>(options.width) * options.height * 3);

  signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write
  int videoFd = -1, audioFd = -1;
  const pid_t ffmpeg = StartFfmpeg(VideoArgs(options), &videoFd, &audioFd);
  if (ffmpeg < 0) {
    std::fprintf(stderr, "kelvane-capture: cannot start ffmpeg: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  // A whole frame in the pipe at once where the system allows it: fewer
  // wake-ups on both sides.
  fcntl(videoFd, F_SETPIPE_SZ, static_cast<int>(std::min<size_t>(ring.slots[0].size(), 1 << 20)));
  std::atomic<bool> stopAudio(false);
  const int64_t firstSample = SampleAt(first, options.fps);
  std::thread audio;
  if (options.segments == 0)
    audio = std::thread(WriteAudio, audioFd, firstSample,
                        SampleAt(first + count, options.fps) - firstSample, &stopAudio);
  else
    close(audioFd);
  std::thread writer(WriteFrames, &ring, videoFd, options.width, options.height);

  TProgress progress;
  StartProgress(&progress, count);
  int64_t done = 0;
  for (; done < count && !CaptureInterrupted; ++done) {
    {
      std::unique_lock<std::mutex> hold(ring.lock);
      ring.changed.wait(hold, [&] { return done - ring.written < kFrameSlots || ring.failed; });
      if (ring.failed) break;
    }
    if (!DrawFrameAtMs(FrameMs(first + done, options.fps))) break;
    ReadFrameBottomFirst(ring.slots[done % kFrameSlots].data());
    {
      std::lock_guard<std::mutex> hold(ring.lock);
      ring.filled = done + 1;
    }
    ring.changed.notify_all();
    ShowProgress(&progress, done + 1);
  }
  EndProgress(&progress);
  {
    std::lock_guard<std::mutex> hold(ring.lock);
    ring.closed = true;
  }
  ring.changed.notify_all();
  writer.join();
  if (done < count) stopAudio = true;
  if (audio.joinable()) audio.join();

  if (!FinishFfmpeg(ffmpeg, options.target)) return kExitFailed;
  if (ring.failed) {
    std::fprintf(stderr, "kelvane-capture: ffmpeg stopped reading frames\n");
    return kExitFailed;
  }
  if (done < count) {
    std::fprintf(stderr, "kelvane-capture: stopped after %lld of %lld frames; %s holds them\n",
                 static_cast<long long>(done), static_cast<long long>(count),
                 options.target.c_str());
    return CaptureInterrupted ? kExitInterrupted : kExitFailed;
  }
  return kExitOk;
}
