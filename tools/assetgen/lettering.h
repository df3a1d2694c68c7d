// Lettering for the pictures: text rendered through FreeType from Debian's
// DejaVu fonts (package fonts-dejavu-core) into coverage masks.
#pragma once

#include "raster.h"

enum TFontFace { kSans, kSansBold, kSerif, kSerifBold, kMono, kMonoBold, kFontFaces };

struct TTextStyle {
  TFontFace face = kSansBold;
  float size = 32.0f;     // pixels per em
  float tracking = 0.0f;  // extra advance between letters, in ems
  float shear = 0.0f;     // horizontal slant: x += shear * height above baseline
  float stretchX = 1.0f;  // horizontal scale of the glyphs
};

// The text as a tight coverage mask (with `pad` empty pixels around it).
// Prints what failed, naming the font file, and returns an empty mask when a
// font cannot be loaded; LetteringFailed() then reports it.
TMask RenderText(const TTextStyle& style, const char* text, int pad = 0);

// Renders the text and stamps it centred at (cx, cy) into the mask.
void DrawText(TMask& mask, const TTextStyle& style, const char* text, int cx, int cy);

bool LetteringFailed();
