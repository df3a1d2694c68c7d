// Float RGB canvases and coverage masks for the picture generator. Pure
// arithmetic, no GL: every picture is painted here, then quantised and
// written as a BMP.
//
// Colours are display values, 0..1 per channel (values above 1 are clipped
// when quantised). Row 0 is the top of the picture. Masks hold coverage,
// 0..1. Shapes are given as signed distance functions in pixels (negative
// inside); a pixel's coverage is 0.5 - distance, clamped, which antialiases
// edges over one pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TColor {
  float r, g, b;
};

struct TCanvas {
  int width = 0;
  int height = 0;
  std::vector<TColor> px;  // width * height, row 0 at the top
  TColor& At(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
  const TColor& At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

struct TMask {
  int width = 0;
  int height = 0;
  std::vector<float> a;  // width * height coverage, 0..1
  float& At(int x, int y) { return a[static_cast<size_t>(y) * width + x]; }
  float At(int x, int y) const { return a[static_cast<size_t>(y) * width + x]; }
};

TCanvas MakeCanvas(int width, int height, TColor fill = {0, 0, 0});
TMask MakeMask(int width, int height);

// Colour arithmetic.
TColor Mix(TColor a, TColor b, float t);
TColor Scale(TColor c, float k);
TColor Add(TColor a, TColor b);
TColor Hsv(float hue, float sat, float val);  // hue in turns (0..1 wraps)
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

// Deterministic noise: Hash2 in [0, 1) for integer lattice points; value
// noise and fractal sums of it in [0, 1), smooth in x and y.
float Hash2(int x, int y, uint32_t seed);
float ValueNoise(float x, float y, uint32_t seed);
float Fbm(float x, float y, int octaves, uint32_t seed);

// Fills `mask` with the coverage of the shape whose signed distance (pixels)
// sdf(x, y) gives at pixel centres; combines with what is there by maximum.
template <typename TSdf>
void FillShape(TMask& mask, TSdf sdf) {
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      const float c = Clamp01(0.5f - sdf(x + 0.5f, y + 0.5f));
      float& m = mask.At(x, y);
      if (c > m) m = c;
    }
  }
}

// Signed distances, in pixels, for the usual primitives.
float SdCircle(float x, float y, float cx, float cy, float r);
float SdEllipse(float x, float y, float cx, float cy, float rx, float ry);
float SdBox(float x, float y, float cx, float cy, float hw, float hh);
float SdSegment(float x, float y, float ax, float ay, float bx, float by, float r);

// Paints a colour through a mask: Over replaces by coverage, Add adds light.
void PaintOver(TCanvas& canvas, const TMask& mask, TColor c);
void PaintAdd(TCanvas& canvas, const TMask& mask, TColor c, float strength = 1.0f);
// Paints a colour that depends on the pixel: colour(x, y) through the mask.
template <typename TShade>
void ShadeOver(TCanvas& canvas, const TMask& mask, TShade shade) {
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const float m = mask.At(x, y);
      if (m <= 0.0f) continue;
      TColor& d = canvas.At(x, y);
      d = Mix(d, shade(x + 0.5f, y + 0.5f), m);
    }
  }
}

// Approximate Gaussian blur (three box passes) of standard deviation about
// `sigma` pixels. Outside the picture counts as black / empty.
void BlurMask(TMask& mask, float sigma);
void BlurCanvas(TCanvas& canvas, float sigma);
// Adds a soft glow: the mask blurred by sigma, coloured, times strength.
void AddGlow(TCanvas& canvas, const TMask& mask, TColor c, float sigma, float strength);

// Places `src` with its centre at (cx, cy) in `dst`, keeping the maximum.
void StampMask(TMask& dst, const TMask& src, int cx, int cy);

// Area-averaging resample to a new size (any factors, up or down).
TCanvas Resample(const TCanvas& src, int width, int height);

// Quantises to 8-bit RGB, rows top first.
std::vector<uint8_t> ToRgbBytes(const TCanvas& canvas);

// Writes an uncompressed 24-bit bottom-up Windows bitmap. The width must be
// a multiple of 4 (rows then need no padding). Prints what failed, naming
// the file, and returns false when it cannot be written.
bool WriteBmp(const std::string& path, const TCanvas& canvas);
