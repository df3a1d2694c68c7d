// The progress line, the log lines and the summary.
#include "capture/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<int64_t>* progressReport = nullptr;

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int TerminalColumns() {
  winsize size = {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  const int n = columns ? std::atoi(columns) : 0;
  return n > 0 ? n : 80;
}

std::string Clock(double seconds) {
  const long s = seconds > 0.0 ? static_cast<long>(seconds + 0.5) : 0;
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// Frames a second over the samples of the last ten seconds or so.
double RecentRate(TProgress* progress, double now, int64_t done) {
  const int last = progress->samples - 1;
  if (last < 0 || now - progress->sampleS[last % TProgress::kSamples] >= 1.0) {
    progress->sampleS[progress->samples % TProgress::kSamples] = now;
    progress->sampleDone[progress->samples % TProgress::kSamples] = done;
    ++progress->samples;
  }
  const int oldest =
      progress->samples > TProgress::kSamples ? progress->samples % TProgress::kSamples : 0;
  const double span = now - progress->sampleS[oldest];
  if (span >= 1.0) return static_cast<double>(done - progress->sampleDone[oldest]) / span;
  const double elapsed = now - progress->startS;
  return elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
}

}  // namespace

void ReportProgressTo(std::atomic<int64_t>* done) { progressReport = done; }

void StartProgress(TProgress* progress, int64_t total) {
  *progress = TProgress();
  progress->report = progressReport;
  progress->quiet = progressReport != nullptr;
  progress->terminal = !progress->quiet && isatty(STDERR_FILENO) != 0;
  progress->total = total;
  progress->startS = NowSeconds();
}

double WallSeconds() { return NowSeconds(); }

std::string ProgressLine(int64_t done, int64_t total, double fps, double leftS, int columns) {
  char count[64], share[16], rate[32];
  std::snprintf(count, sizeof count, "%lld/%lld frames", static_cast<long long>(done),
                static_cast<long long>(total));
  std::snprintf(share, sizeof share, "%3d%%",
                total > 0 ? static_cast<int>(100 * done / total) : 100);
  std::snprintf(rate, sizeof rate, "%.1f fps", fps);
  const std::string left = Clock(leftS) + " left";
  // The widest form that fits, leaving the last column free so that no
  // terminal wraps the line.
  const std::string forms[] = {
      std::string(count) + "  " + share + "  " + rate + "  " + left,
      std::string(count) + "  " + share + "  " + left,
      std::string(share) + "  " + left,
      share,
  };
  for (const std::string& form : forms)
    if (static_cast<int>(form.size()) < columns) return form;
  return std::string(share).substr(0, columns > 1 ? columns - 1 : 0);
}

void ShowProgress(TProgress* progress, int64_t done) {
  if (progress->report) progress->report->store(done, std::memory_order_relaxed);
  if (progress->quiet || progress->total <= 0) return;
  const double now = NowSeconds();
  if (!progress->terminal) {
    // A plain line for each tenth reached, however many at once (the
    // segments of --jobs report in steps).
    const int tenths = static_cast<int>(10 * done / progress->total);
    const double elapsed = now - progress->startS;
    while (progress->tenthsShown < tenths) {
      ++progress->tenthsShown;
      std::fprintf(stderr, "kelvane-capture: %d%%, %lld of %lld frames, %s elapsed\n",
                   progress->tenthsShown * 10, static_cast<long long>(done),
                   static_cast<long long>(progress->total), Clock(elapsed).c_str());
    }
    return;
  }
  const double rate = RecentRate(progress, now, done);
  // Redraw five times a second, and always for the last frame.
  if (done < progress->total && now - progress->lastS < 0.2) return;
  progress->lastS = now;
  const double left = rate > 0.0 ? static_cast<double>(progress->total - done) / rate : 0.0;
  const std::string line = ProgressLine(done, progress->total, rate, left, TerminalColumns());
  // Clear to the end of the line: the last line may have been longer.
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
}

void EndProgress(TProgress* progress) {
  if (progress->terminal && progress->lastS >= 0.0) std::fputc('\n', stderr);
  progress->terminal = false;
  progress->quiet = true;
}

void PrintSummary(const std::string& what, int64_t frames, int64_t bytes, double wallS,
                  double videoS) {
  std::string line = "kelvane-capture: wrote " + what;
  char text[160];
  if (frames > 1 || videoS > 0.0) {
    std::snprintf(text, sizeof text, ": %lld frames", static_cast<long long>(frames));
    line += text;
  }
  if (bytes >= 0) {
    std::snprintf(text, sizeof text, ", %.1f MB", bytes / 1e6);
    line += text;
  }
  std::snprintf(text, sizeof text, ", in %.1f s", wallS);
  line += text;
  if (videoS > 0.0) {
    std::snprintf(text, sizeof text, " (%.2f x real time)", wallS / videoS);
    line += text;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}
