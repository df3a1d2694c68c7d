// Times as people write them and read them, for every tool that takes or
// shows a moment of the demo: the capture's --at and --from, the player's
// --from and --loop, the player's on-screen time. One demo unit is
// 1 / kDemoUnitsPerMs ms (about 102 ms); the timeline runs 0 to 1300 units,
// 2:12.7 of music.
#pragma once

#include <string>

// Reads one moment into *d, in demo units, from any of:
//   m:ss[.t]   minutes and seconds, the seconds two digits below 60
//              ("1:30", "0:44.3", "2:05.25")
//   Ns         seconds, with an optional fraction ("90s", "44.3s")
//   N          bare demo units, the timeline's own ("450", "450.8")
// Numbers are plain decimals (digits, one optional point with digits on both
// sides); no sign, exponent, space or hex. False for anything else; the
// range is the caller's to check.
bool ParseDemoTime(const char* text, double* d);

// A moment as m:ss.t, tenths rounded once so that 59.96 s reads 1:00.0
// (negative times read as 0:00.0).
std::string FormatDemoTime(double d);

// ParseDemoTime, and the moment inside the timeline (0 to kDemoEnd).
bool ParseTimelineTime(const char* text, double* d);
// What ParseTimelineTime accepts, for the tools' complaints.
extern const char* const kTimelineTimeForms;
