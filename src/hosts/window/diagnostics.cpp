// The hidden diagnostic list: what the design's Timer2 writes into it every
// 200 ms, and the number format it writes in.
#include "hosts/window/diagnostics.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "demo/demo.h"

std::vector<std::string> ListBox1;
double MouseOffsetX = 0.0;
double MouseOffsetY = 0.0;
bool MouseButtonDown = false;

void Framerate() {
  const char separator = LocaleDecimalSeparator();
  ListBox1.clear();
  ListBox1.push_back(FormatGeneral(DemoTime, separator));
  ListBox1.push_back(FormatGeneral(MouseOffsetX, separator));
}

void movemouse(int x, int y) {
  MouseOffsetX = (x - 100) / 30.0;
  MouseOffsetY = (y - 100) / 30.0;
}

void mousedown() { MouseButtonDown = true; }
void mouseup() { MouseButtonDown = false; }

std::string FormatGeneral(double value, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0.0) return "0";

  // 15 significant digits, rounded once: d.dddddddddddddde[+-]x.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  digits += buffer[0];
  digits.append(buffer + 2, 14);
  const int exponent = std::atoi(buffer + 17);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = value < 0 ? "-" : "";
  if (exponent >= -5 && exponent < 15) {
    if (exponent >= 0) {
      std::string whole = digits.substr(0, std::min<size_t>(digits.size(), exponent + 1));
      whole.append(exponent + 1 - whole.size(), '0');
      text += whole;
      if (digits.size() > static_cast<size_t>(exponent + 1))
        text += separator + digits.substr(exponent + 1);
    } else {
      text += '0';
      text += separator;
      text.append(-exponent - 1, '0');
      text += digits;
    }
    return text;
  }
  text += digits[0];
  if (digits.size() > 1) text += separator + digits.substr(1);
  text += 'E';
  text += std::to_string(exponent);
  return text;
}

char LocaleDecimalSeparator() {
#ifdef _WIN32
  // The user's regional settings, as Windows programs read them.
  char radix[8];
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, radix, sizeof radix) <= 1) return '.';
  return radix[0];
#else
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, user);
  const char separator = (radix && radix[0]) ? radix[0] : '.';
  freelocale(user);
  return separator;
#endif
}
