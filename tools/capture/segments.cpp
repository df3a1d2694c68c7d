// Captures split into segments: --jobs renders N consecutive segments of the
// span in N processes at once, and --join puts segment videos together.
//
// A segment is an ordinary --video run over part of the span: it skips the
// generator's draws of the frames before it (ReplayFrameDraws), so its frames are
// those of a capture from 0, and it starts with a key frame. Each segment
// says in its metadata which it is (K of N) and what it was made with (the
// --fps, --from, --duration and --size), and the join refuses a part that is
// missing, repeated, out of place, cut short or made for another span. The
// join hands the segments to ffmpeg's concat demuxer and copies their
// pictures without encoding them again; it leaves their sound out and
// encodes the music of the whole span once, so the track has no seams and
// starts at the first frame's moment, as in a one-process capture.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "capture/ffmpeg.h"
#include "capture/probe_fields.h"
#include "capture/render.h"

namespace {

// Milliseconds the segments have to finish their files once stopped.
constexpr int kSegmentStopMs = kFfmpegStopMs + 1000;
constexpr int kFailedStopMs = 200;
constexpr int kWatchMs = 100;

// What a --jobs segment reports to the parent, in shared memory.
struct TSegmentShare {
  std::atomic<int64_t> sent;   // frames sent to its ffmpeg
  std::atomic<bool> complete;  // its file is finished and holds them all
};
static_assert(std::atomic<int64_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "segment reports are shared between processes");

// What a part says of itself, and what ffprobe finds in it.
struct TPart {
  std::string name;
  int k = 0, n = 0;  // segment K of N
  std::string fps, span, size, from, duration;
  std::string codec;    // "h264 (High, yuv420p)"
  std::string headers;  // a hash of the codec's headers (H.264's SPS and PPS)
  int64_t frames = -1;
  dev_t device = 0;
  ino_t inode = 0;
};

std::string RateText(TFrameRate rate) {
  if (rate.den == 1) return std::to_string(rate.num);
  return std::to_string(rate.num) + "/" + std::to_string(rate.den);
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The frames of the whole span, whatever --segment says.
void WholeSpan(const TCaptureOptions& options, int64_t* first, int64_t* count) {
  TCaptureOptions whole = options;
  whole.segments = 0;
  FrameSpan(whole, first, count);
}

std::string SpanText(int64_t first, int64_t count) {
  return std::to_string(first) + "+" + std::to_string(count);
}

// "frames 100 to 699"
std::string FramesText(const std::string& span) {
  long long first = 0, count = 0;
  if (std::sscanf(span.c_str(), "%lld+%lld", &first, &count) != 2) return "frames " + span;
  return "frames " + std::to_string(first) + " to " + std::to_string(first + count - 1);
}

// Reads what `name` says of itself. False, with a line in *error ("stopped"
// after a signal).
bool ProbePart(TChildren* programs, const std::string& name, TPart* part, std::string* error) {
  part->name = name;
  if (name.find('\n') != std::string::npos) {
    *error = "a part's name holds a line break";
    return false;
  }
  // Opened without blocking, so a FIFO is refused rather than waited on.
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) {
    *error = name + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  close(fd);
  if (!S_ISREG(info.st_mode)) {
    *error = name + ": not a regular file";
    return false;
  }
  part->device = info.st_dev;
  part->inode = info.st_ino;
  std::string out;
  if (!RunFfprobe(programs,
                  {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_data_hash",
                   "sha256", "-show_entries",
                   "stream=nb_read_packets,width,height,codec_name,profile,pix_fmt,extradata_hash:"
                   "format_tags",
                   "-of", "default=nw=1", FileUrl(name)},
                  0, &out, error)) {
    if (*error != "stopped" && error->find("missing") == std::string::npos)
      *error = name + ": not a video ffprobe can read (" + *error + ")";
    return false;
  }
  std::map<std::string, std::string> fields = ReadProbeFields(out);
  if (fields.count("nb_read_packets") == 0) {
    *error = name + ": holds no video stream";
    return false;
  }
  part->frames = std::atoll(fields["nb_read_packets"].c_str());
  part->size = fields["width"] + "x" + fields["height"];
  part->codec = fields["codec_name"] + " (" + fields["profile"] + ", " + fields["pix_fmt"] + ")";
  part->headers = fields["extradata_hash"];
  const std::string segment = fields["tag:kelvane_segment"];
  if (std::sscanf(segment.c_str(), "%d/%d", &part->k, &part->n) != 2) {
    *error = name +
             ": not a segment (it carries no segment tag): make the parts with "
             "kelvane-capture --video PART --segment K/N";
    return false;
  }
  part->fps = fields["tag:kelvane_fps"];
  part->span = fields["tag:kelvane_span"];
  part->from = fields["tag:kelvane_from"];
  part->duration = fields["tag:kelvane_duration"];
  return true;
}

// Checks the parts against each other and against the span the join was
// given. False, with a line naming the part at fault.
bool CheckParts(const TCaptureOptions& options, const std::vector<TPart>& parts,
                std::string* error) {
  int64_t first = 0, count = 0;
  WholeSpan(options, &first, &count);
  const std::string fps = RateText(options.fps), span = SpanText(first, count);
  const int n = static_cast<int>(parts.size());
  for (int i = 0; i < n; ++i) {
    const TPart& p = parts[i];
    for (int j = 0; j < i; ++j) {
      if (parts[j].device == p.device && parts[j].inode == p.inode) {
        *error = p.name + " is given twice (as part " + std::to_string(j + 1) + " and " +
                 std::to_string(i + 1) + ")";
        return false;
      }
      if (parts[j].k == p.k && parts[j].n == p.n) {
        *error = parts[j].name + " and " + p.name + " are both segment " + std::to_string(p.k) +
                 " of " + std::to_string(p.n);
        return false;
      }
    }
    const std::string which = "segment " + std::to_string(p.k) + " of " + std::to_string(p.n);
    if (p.fps != fps) {
      *error = p.name + " was made with --fps " + p.fps + ", the join has --fps " + fps;
      return false;
    }
    if (p.span != span) {
      *error = p.name + " was made for " + FramesText(p.span) + " (--from " + p.from +
               " --duration " + p.duration + "); the join's --from and --duration give " +
               FramesText(span);
      return false;
    }
    if (p.n != n) {
      *error = p.name + " is " + which + ", but " + std::to_string(n) +
               (n == 1 ? " part is" : " parts are") + " given";
      return false;
    }
    if (p.k != i + 1) {
      *error = p.name + " is " + which + " but stands at place " + std::to_string(i + 1) +
               ": name the parts in order";
      return false;
    }
    if (p.size != parts[0].size) {
      *error = p.name + " is " + p.size + " and " + parts[0].name + " " + parts[0].size +
               ": the segments of one video have one --size";
      return false;
    }
    // The join copies the picture: parts encoded otherwise would play
    // with errors, or not at all, past the first.
    if (p.codec != parts[0].codec) {
      *error = p.name + " is " + p.codec + " and " + parts[0].name + " " + parts[0].codec +
               ": the segments of one video are encoded alike";
      return false;
    }
    if (p.headers != parts[0].headers) {
      *error = p.name + "'s codec headers differ from " + parts[0].name +
               "'s: it was not encoded as a segment of the same video";
      return false;
    }
    int64_t segmentFirst = first, segmentCount = count;
    SegmentSpan(p.k, p.n, &segmentFirst, &segmentCount);
    if (p.frames != segmentCount) {
      *error = p.name + " holds " + std::to_string(p.frames) + " frames, " + which + " has " +
               std::to_string(segmentCount) + ": it is cut short or damaged";
      return false;
    }
  }
  return true;
}

// An absolute path, for the concat list (ffmpeg reads it from a pipe).
std::string Absolute(const std::string& file) {
  if (!file.empty() && file[0] == '/') return file;
  char here[4096];
  if (!getcwd(here, sizeof here)) return file;
  return std::string(here) + "/" + file;
}

// text in single quotes, each quote in it as '\'', as ffmpeg's concat list
// reads it.
std::string SingleQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Joins `parts`, segments 1, 2, ... of `segments`, which hold the `count`
// frames from `first` between them, into `file` with the music of those
// frames, and checks that it holds them.
int JoinParts(const std::vector<std::string>& parts, int segments, const TCaptureOptions& options,
              int64_t first, int64_t count, const std::string& file, const std::string& label) {
  std::string list;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string path = Absolute(parts[i]);
    if (path.find('\n') != std::string::npos) {
      std::fprintf(stderr, "kelvane-capture: %s: a part's path holds a line break\n",
                   parts[i].c_str());
      return kExitFailed;
    }
    list += "file " + SingleQuoted(FileUrl(path)) + "\n";
    // Each part but the last gets its exact length: the container rounds it
    // up to a millisecond, and 64 such roundings put the picture a frame or
    // two behind the music, which then cuts it.
    if (i + 1 == parts.size()) continue;
    TCaptureOptions whole = options;
    whole.segments = 0;
    int64_t segmentFirst = 0, segmentCount = 0;
    FrameSpan(whole, &segmentFirst, &segmentCount);
    SegmentSpan(static_cast<int>(i) + 1, segments, &segmentFirst, &segmentCount);
    list += "duration " +
            Number(static_cast<double>(segmentCount) * options.fps.den / options.fps.num) + "\n";
  }
  std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-f",
                                   "concat", "-safe", "0",
                                   // The list comes through a pipe and names files.
                                   "-protocol_whitelist", "file,pipe", "-i", "pipe:0"};
  for (const std::string& a : FfmpegPcmInput()) args.push_back(a);
  for (const char* a : {"-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-map_metadata", "-1"})
    args.push_back(a);
  for (const std::string& a : FfmpegAacOutput(file)) args.push_back(a);

  signal(SIGPIPE, SIG_IGN);
  TChildren programs;
  TFfmpeg ffmpeg;
  std::string error;
  if (!StartFfmpeg(&programs, args, &ffmpeg, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  std::atomic<bool> stopAudio(false);
  const int64_t firstSample = SampleAt(first, options.fps);
  std::thread audio(WriteAudio, ffmpeg.audioFd, firstSample,
                    SampleAt(first + count, options.fps) - firstSample, &stopAudio);
  ffmpeg.audioFd = -1;  // the thread closes it
  // The list and the music go on through a stopping signal: a join is
  // copying and ends soon, and one that ends whole is kept.
  WriteAll(ffmpeg.inputFd, list.data(), list.size(), &stopAudio);
  const bool finished = FinishFfmpeg(&programs, &ffmpeg, file, label, &error);
  stopAudio = true;
  audio.join();
  int64_t frames = -1;
  if (finished) frames = CountVideoFrames(&programs, file, &error);
  // Counting packets does not find damage inside them: the picture is
  // decoded once before the file is published.
  const bool clean = finished && frames == count && DecodesCleanly(&programs, file, label, &error);
  StopChildren(&programs, 0);
  if (clean) return kExitOk;
  if (CaptureInterrupted) return InterruptedStatus();
  if (!finished || frames < 0 || frames == count) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  if (frames != count) {
    std::fprintf(stderr, "kelvane-capture: the join of %s holds %lld of its %lld frames\n",
                 label.c_str(), static_cast<long long>(frames), static_cast<long long>(count));
    return kExitFailed;
  }
  return kExitOk;
}

// The frames that an interrupted --jobs run can still give as one video:
// the finished segments from the first on, and the first unfinished one as
// far as it got. Fills *parts and returns their frames.
int64_t PlayablePrefix(const std::vector<std::string>& temps, const TSegmentShare* shares,
                       const TCaptureOptions& options, std::vector<std::string>* parts) {
  int64_t first = 0, count = 0, frames = 0;
  FrameSpan(options, &first, &count);
  const int n = static_cast<int>(temps.size());
  for (int k = 1; k <= n; ++k) {
    const TSegmentShare& share = shares[k - 1];
    const int64_t sent = share.sent.load();
    if (!share.complete.load() || sent == 0) break;
    parts->push_back(temps[k - 1]);
    frames += sent;
    int64_t segmentFirst = first, segmentCount = count;
    SegmentSpan(k, n, &segmentFirst, &segmentCount);
    if (sent < segmentCount) break;
  }
  return frames;
}

// Gives the finished parts of a join that did not finish names the user
// sees, "STEM.part-K-of-N.EXT" beside the target (a name already taken is
// left alone and that part is dropped). Returns the names kept, each after
// a space; the parts renamed leave *temps.
std::string KeepParts(std::vector<std::string>* temps, const std::string& target) {
  const size_t dot = target.rfind('.');
  const std::string stem = target.substr(0, dot), ext = target.substr(dot);
  std::string kept;
  const int n = static_cast<int>(temps->size());
  for (int k = 1; k <= n; ++k) {
    std::string& temp = (*temps)[k - 1];
    const std::string name = stem + ".part-" + std::to_string(k) + "-of-" + std::to_string(n) + ext;
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) != 0) continue;
    kept += " " + name;
    temp.clear();
  }
  return kept;
}

}  // namespace

std::vector<std::string> SegmentTags(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  WholeSpan(options, &first, &count);
  return {
      "-metadata",
      "kelvane_segment=" + std::to_string(options.segment) + "/" + std::to_string(options.segments),
      "-metadata",
      "kelvane_fps=" + RateText(options.fps),
      "-metadata",
      "kelvane_span=" + SpanText(first, count),
      "-metadata",
      "kelvane_from=" + Number(options.from),
      "-metadata",
      "kelvane_duration=" + Number(options.duration)};
}

int JoinVideo(const TCaptureOptions& options) {
  const double startS = WallSeconds();
  int64_t first = 0, count = 0;
  WholeSpan(options, &first, &count);
  std::vector<TPart> parts(options.parts.size());
  TChildren programs;
  std::string error;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!ProbePart(&programs, options.parts[i], &parts[i], &error)) {
      StopChildren(&programs, 0);
      if (CaptureInterrupted) return InterruptedStatus();
      std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
      return kExitFailed;
    }
  }
  if (CaptureInterrupted) return InterruptedStatus();
  if (!CheckParts(options, parts, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  LoadCaptureMusic(options);
  TOutput output;
  if (!BeginOutput(options.target, &output, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  TVideoRun run;
  const int status = JoinParts(options.parts, static_cast<int>(options.parts.size()), options,
                               first, count, output.temp, options.target);
  run.written = status == kExitOk ? count : 0;
  // A join that was stopped made nothing worth keeping: no partial file.
  run.complete = false;
  return EndVideo(&output, status, run, count, WallSeconds() - startS,
                  static_cast<double>(count) * options.fps.den / options.fps.num);
}

int CaptureVideoJobs(const TCaptureOptions& options) {
  const double startS = WallSeconds();
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  const int jobs = static_cast<int>(std::min<int64_t>(options.jobs, count));
  TOutput output;
  if (!BeginVideo(options, jobs, &output)) return kExitFailed;
  // The parts are hidden files beside the target, removed whatever happens.
  std::vector<std::string> temps(jobs);
  for (int k = 1; k <= jobs; ++k) {
    const int fd = CreateTempBeside(options.target, &temps[k - 1],
                                    "p" + std::to_string(k) + "of" + std::to_string(jobs) + "-");
    if (fd < 0) {
      std::fprintf(stderr, "kelvane-capture: %s: cannot write in its folder: %s\n",
                   options.target.c_str(), std::strerror(errno));
      for (int j = 1; j < k; ++j) unlink(temps[j - 1].c_str());
      AbandonOutput(&output);
      return kExitFailed;
    }
    close(fd);
  }
  const size_t shareBytes = sizeof(TSegmentShare) * jobs;
  void* memory =
      mmap(nullptr, shareBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    std::fprintf(stderr, "kelvane-capture: %s\n", std::strerror(errno));
    for (const std::string& temp : temps) unlink(temp.c_str());
    AbandonOutput(&output);
    return kExitFailed;
  }
  TSegmentShare* shares = static_cast<TSegmentShare*>(memory);
  // Decoded once here, the music is shared with the segments and the join.
  LoadCaptureMusic(options);
  TChildren segments;
  std::string failure;
  std::fflush(nullptr);
  const pid_t parent = getpid();
  for (int k = 1; k <= jobs && failure.empty() && !CaptureInterrupted; ++k) {
    TSegmentShare* share = new (&shares[k - 1]) TSegmentShare;
    share->sent.store(0);
    share->complete.store(false);
    const std::string role = "segment " + std::to_string(k) + " of " + std::to_string(jobs);
    const pid_t pid = ForkChild(&segments, role, SIGTERM);
    if (pid == 0) {
      // Still one thread and no GL here: the child is a fresh capture.
      TCaptureOptions segment = options;
      segment.jobs = 1;
      segment.segment = k;
      segment.segments = jobs;
      int64_t segmentFirst = 0, segmentCount = 0;
      FrameSpan(segment, &segmentFirst, &segmentCount);
      ReportProgressTo(&share->sent);
      TVideoRun run;
      const int status = RenderVideo(segment, temps[k - 1], role, segmentFirst, segmentCount, false,
                                     SegmentTags(segment), &run);
      share->sent.store(run.written);
      share->complete.store(run.complete);
      // Orphaned, nobody else will remove the part.
      if (getppid() != parent) unlink(temps[k - 1].c_str());
      _exit(status);
    }
    if (pid < 0) failure = std::string("cannot start a segment: ") + std::strerror(errno);
  }

  TProgress progress;
  StartProgress(&progress, count);
  bool running = true;
  while (running && failure.empty() && !CaptureInterrupted) {
    if (!CheckChildren(&segments, &failure)) break;
    running = false;
    for (const TChild& child : segments.list) running = running || child.running;
    int64_t sum = 0;
    for (int k = 0; k < jobs; ++k) sum += shares[k].sent.load(std::memory_order_relaxed);
    ShowProgress(&progress, sum);
    if (running) usleep(kWatchMs * 1000);
  }
  EndProgress(&progress);
  // A signal to this process alone (SIGTERM) stops the segments too, given
  // time to finish their files; after a segment has failed the others'
  // files are of no use, and they are stopped at once.
  StopChildren(&segments, failure.empty() ? kSegmentStopMs : kFailedStopMs);

  int status = kExitOk;
  TVideoRun run;
  std::string kept;  // the parts left for the user, when the join fails
  if (!failure.empty()) {
    std::fprintf(stderr, "kelvane-capture: %s\n", failure.c_str());
    status = kExitFailed;
  } else if (CaptureInterrupted) {
    // What the segments made from the first frame on, without a gap, is
    // joined into a shorter video; a second signal abandons that too.
    status = InterruptedStatus();
    std::vector<std::string> prefix;
    const int64_t frames = PlayablePrefix(temps, shares, options, &prefix);
    const std::sig_atomic_t signal = CaptureInterrupted;
    CaptureInterrupted = 0;
    if (frames > 0 &&
        JoinParts(prefix, jobs, options, first, frames, output.temp, options.target) == kExitOk) {
      run.written = frames;
      run.complete = true;
    }
    if (CaptureInterrupted) run.complete = false;
    CaptureInterrupted = signal;
  } else {
    // A join that ends whole is published even when a signal came during
    // it; one that does not leaves the finished parts for --join.
    status = JoinParts(temps, jobs, options, first, count, output.temp, options.target);
    run.written = status == kExitOk ? count : 0;
    run.complete = status == kExitOk;
    if (status != kExitOk) kept = KeepParts(&temps, options.target);
  }
  munmap(memory, shareBytes);
  for (const std::string& temp : temps)
    if (!temp.empty()) unlink(temp.c_str());
  const std::sig_atomic_t signal = CaptureInterrupted;
  if (status == kExitOk) CaptureInterrupted = 0;  // the signal came too late to stop it
  status = EndVideo(&output, status, run, count, WallSeconds() - startS,
                    static_cast<double>(count) * options.fps.den / options.fps.num);
  CaptureInterrupted = signal;
  if (!kept.empty())
    std::fprintf(stderr,
                 "kelvane-capture: the rendered segments are kept:%s; join them with "
                 "kelvane-capture --join %s and the same --fps, --from, --duration and --data\n",
                 kept.c_str(), options.target.c_str());
  if (status == kExitOk && CaptureInterrupted) {
    std::fprintf(stderr,
                 "kelvane-capture: the stop came after the join had finished: %s is whole\n",
                 options.target.c_str());
    return InterruptedStatus();
  }
  return status;
}
