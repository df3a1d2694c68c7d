// What the SDL back-ends share: the demo's window, the player's window and
// the sound layers all open SDL on a real display or a sound device, keep the
// device libraries' own complaints off stderr while they probe, and report a
// failure in a box.
#pragma once

#include <string>

struct SDL_Window;

// Opens the video subsystem on a real display. SDL would fall back to its
// offscreen and dummy drivers, which show nothing; those are used only when
// SDL_VIDEODRIVER names them. False, with SDL's reasons driver by driver in
// `why`, when no display opens.
bool OpenRealDisplay(std::string* why);

// Sends stderr to /dev/null while it lives. ALSA, PulseAudio and libwayland
// print their own diagnostics straight to stderr while SDL probes devices
// and displays; SDL's reason, reported afterwards in one line, says what
// matters.
class TQuietStderr {
 public:
  TQuietStderr();
  ~TQuietStderr();
  TQuietStderr(const TQuietStderr&) = delete;
  TQuietStderr& operator=(const TQuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// A modal error box with one OK button over `window` (or none); where no box
// can be shown (no display), the text goes to stderr as "PREFIX: TEXT".
void ShowErrorBox(const char* caption, const char* text, const char* prefix,
                  SDL_Window* window = nullptr);

// True on Windows when stderr leads nowhere: a program built for the GUI
// subsystem and started from Explorer has no console. Always false
// elsewhere.
bool StderrGoesNowhere();
// Where stderr goes nowhere, keeps what the program writes there and shows
// it in an error box with this caption when the program ends (by returning
// from main or by exit), so a failure to start is seen, as the desktop
// entry's box shows it on Linux. Nothing otherwise.
void ShowStderrInBoxAtExit(const char* caption);

// A monotonic clock in milliseconds, with the performance counter's
// resolution (fractions of a millisecond).
double SdlClockMs();
