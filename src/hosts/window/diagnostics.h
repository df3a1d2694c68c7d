// The 2002 form's diagnostic list, which is never shown on screen and is
// kept because the design has it. Every 200 ms the form's second timer
// (Framerate) fills it with the demo time and the mouse's horizontal offset,
// written in the user's number format; nothing reads it.
#pragma once

#include <string>
#include <vector>

// The list (the design's ListBox1): two lines, written by Framerate.
extern std::vector<std::string> ListBox1;
// Written by the mouse handlers; only the list reads them.
extern double MouseOffsetX;
extern double MouseOffsetY;
extern bool MouseButtonDown;

// Timer2's tick: the demo time and MouseOffsetX, in that order.
void Framerate();
void movemouse(int x, int y);
void mousedown();
void mouseup();

// General number format with 15 significant digits: fixed-point without
// trailing zeros when 0.00001 <= |v| and the integer part has at most 15
// digits, otherwise scientific ("1.5E-6", "1E20"); `separator` is the
// decimal separator.
std::string FormatGeneral(double value, char separator);
// The decimal separator of the user's locale, read without changing the
// program's own locale (number parsing stays in the "C" locale).
char LocaleDecimalSeparator();
