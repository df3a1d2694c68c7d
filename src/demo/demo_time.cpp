#include "demo/demo_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/demo.h"

namespace {

// Digits, then optionally a point and more digits, exactly filling
// [begin, end). Its value in *value.
bool ReadDecimal(const char* begin, const char* end, double* value) {
  const char* p = begin;
  while (p < end && *p >= '0' && *p <= '9') ++p;
  if (p == begin) return false;
  if (p < end && *p == '.') {
    const char* fraction = ++p;
    while (p < end && *p >= '0' && *p <= '9') ++p;
    if (p == fraction) return false;
  }
  if (p != end) return false;
  const std::string text(begin, end);
  *value = std::strtod(text.c_str(), nullptr);
  return std::isfinite(*value);
}

double SecondsToUnits(double seconds) { return seconds * 1000.0 * kDemoUnitsPerMs; }

}  // namespace

bool ParseDemoTime(const char* text, double* d) {
  const char* end = text + std::strlen(text);
  if (const char* colon = std::strchr(text, ':')) {
    double minutes = 0.0, seconds = 0.0;
    // Whole minutes; seconds as two digits below 60 with an optional fraction.
    const bool wholeMinutes = std::strspn(text, "0123456789") == size_t(colon - text);
    if (!wholeMinutes || !ReadDecimal(text, colon, &minutes)) return false;
    const char* s = colon + 1;
    if (end - s < 2 || s[0] < '0' || s[0] > '5' || s[1] < '0' || s[1] > '9') return false;
    if (s + 2 != end && s[2] != '.') return false;
    if (!ReadDecimal(s, end, &seconds)) return false;
    *d = SecondsToUnits(minutes * 60.0 + seconds);
    return true;
  }
  double value = 0.0;
  if (end > text && end[-1] == 's') {
    if (!ReadDecimal(text, end - 1, &value)) return false;
    *d = SecondsToUnits(value);
    return true;
  }
  if (!ReadDecimal(text, end, &value)) return false;
  *d = value;
  return true;
}

std::string FormatDemoTime(double d) {
  const long tenths = std::lround(std::max(0.0, d / (100.0 * kDemoUnitsPerMs)));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, tenths / 10 % 60, tenths % 10);
  return text;
}

bool ParseTimelineTime(const char* text, double* d) {
  return ParseDemoTime(text, d) && *d >= 0.0 && *d <= kDemoEnd;
}

const char* const kTimelineTimeForms =
    "a time from 0 to 2:12.65 as m:ss[.t], seconds as Ns or demo units 0 to 1300";
