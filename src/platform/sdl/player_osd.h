// The player's on-screen display: boxes and lines of text drawn over the
// frame in the window's own pixels, after the demo has drawn it and before
// the swap. Text is DejaVu Sans through SDL2_ttf, each line rendered once
// into a texture and kept while it is shown. Between BeginPlayerOsd and
// EndPlayerOsd the demo's OpenGL state is put aside and then given back
// whole, so the next frame draws as if nothing had been drawn over the last.
#pragma once

#include <cstdint>
#include <string>

// 0xRRGGBBAA.
using TOsdColor = uint32_t;

enum class TOsdAlign { kLeft, kCentre, kRight };

// Opens SDL2_ttf and the font. False, with the reason (naming the font
// file) in *error; the player then plays without its display.
bool OpenPlayerOsd(std::string* error);
void ClosePlayerOsd();

// Drawing over a drawable of width x height pixels, origin top left.
void BeginPlayerOsd(int width, int height);
void EndPlayerOsd();
// A filled box, blended by the colour's alpha.
void DrawOsdBox(int x, int y, int width, int height, TOsdColor color);
// One line of UTF-8 text `size` pixels high (the font's line height),
// its top at y and its left edge, centre or right edge at x. Its width.
int DrawOsdText(const char* text, int x, int y, int size, TOsdColor color,
                TOsdAlign align = TOsdAlign::kLeft);
// The width the line would take.
int OsdTextWidth(const char* text, int size);
