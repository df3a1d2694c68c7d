// The video: raw RGB frames on ffmpeg's standard input, the music's PCM on a
// second pipe (ffmpeg's descriptor 3), encoded as H.264 and AAC into an MP4.
//
// The PCM is written by a thread of its own, so neither pipe can stall the
// other however ffmpeg interleaves its reads. ffmpeg runs in a process group
// of its own: Ctrl-C reaches only this process, which stops rendering, closes
// both pipes and lets ffmpeg finish the file, so it stays playable.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "capture/render.h"
#include "platform/level_meter.h"
#include "platform/offscreen.h"

namespace {

// PCM is written in blocks of this many stereo frames (about 93 ms).
constexpr int64_t kAudioBlockFrames = 4096;

// Writes all of `size` bytes; false when the reader has gone.
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

// The music from sample frame `first` for `count` frames, silence where the
// music has ended, then closes the pipe. Stops early when *stop is set.
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

// Starts ffmpeg reading rgb24 frames from *videoFd and s16le stereo from
// *audioFd. Returns its process id, or -1.
pid_t StartFfmpeg(const TCaptureOptions& o, int* videoFd, int* audioFd) {
  int video[2], audio[2];
  if (pipe2(video, O_CLOEXEC) != 0) return -1;
  if (pipe2(audio, O_CLOEXEC) != 0) {
    close(video[0]);
    close(video[1]);
    return -1;
  }
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  const std::string rate = std::to_string(o.fps.num) + "/" + std::to_string(o.fps.den);
  const char* const args[] = {
      "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
      // Picture: tightly packed RGB rows, top first, one frame after another.
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size.c_str(), "-framerate",
      rate.c_str(), "-i", "pipe:0",
      // Sound: the decoded music, from the first frame's moment on.
      "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3", "-map", "0:v:0", "-map", "1:a:0",
      // veryfast: at CRF 18 the same quality in about half the encoder time
      // of the default preset, which matters when the CPU also renders.
      "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-profile:v", "high", "-pix_fmt",
      "yuv420p",
      // BT.709 colour, said in the stream so every player reads it alike.
      "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-colorspace", "bt709",
      "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv", "-c:a", "aac",
      "-b:a", "192k", "-movflags", "+faststart", o.target.c_str(), nullptr};

  const pid_t pid = fork();
  if (pid == 0) {
    // Out of the terminal's foreground group: Ctrl-C is ours to handle.
    setpgid(0, 0);
    signal(SIGINT, SIG_IGN);
    // Lift both read ends clear of 0 and 3 before putting them there.
    const int v = fcntl(video[0], F_DUPFD, 10);
    const int a = fcntl(audio[0], F_DUPFD, 10);
    if (v < 0 || a < 0 || dup2(v, 0) < 0 || dup2(a, 3) < 0) _exit(126);
    close(v);
    close(a);
    execvp(args[0], const_cast<char* const*>(args));
    _exit(127);
  }
  close(video[0]);
  close(audio[0]);
  if (pid < 0) {
    close(video[1]);
    close(audio[1]);
    return -1;
  }
  *videoFd = video[1];
  *audioFd = audio[1];
  return pid;
}

}  // namespace

int CaptureVideo(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  std::string error;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  if (CaptureInterrupted) return kExitInterrupted;
  std::vector<uint8_t> rgb(static_cast<size_t>(options.width) * options.height * 3);

  signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write
  int videoFd = -1, audioFd = -1;
  const pid_t ffmpeg = StartFfmpeg(options, &videoFd, &audioFd);
  if (ffmpeg < 0) {
    std::fprintf(stderr, "kelvane-capture: cannot start ffmpeg: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  std::atomic<bool> stopAudio(false);
  const int64_t firstSample = SampleAt(first, options.fps);
  std::thread audio(WriteAudio, audioFd, firstSample,
                    SampleAt(first + count, options.fps) - firstSample, &stopAudio);

  TProgress progress;
  StartProgress(&progress, count);
  int64_t done = 0;
  bool piped = true;
  for (; done < count && !CaptureInterrupted; ++done) {
    if (!DrawFrameAtMs(FrameMs(first + done, options.fps))) break;
    ReadFrameTopFirst(rgb.data());
    if (!WriteAll(videoFd, rgb.data(), rgb.size())) {
      piped = false;
      break;
    }
    ShowProgress(&progress, done + 1);
  }
  EndProgress(&progress);
  close(videoFd);
  if (done < count) stopAudio = true;
  audio.join();

  int status = 0;
  while (waitpid(ffmpeg, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
      std::fprintf(stderr, "kelvane-capture: ffmpeg is missing (Debian package ffmpeg)\n");
    else
      std::fprintf(stderr, "kelvane-capture: ffmpeg failed on %s\n", options.target.c_str());
    return kExitFailed;
  }
  if (!piped) {
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
