#include "raster.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/files/regular_file.h"

TCanvas MakeCanvas(int width, int height, TColor fill) {
  TCanvas c;
  c.width = width;
  c.height = height;
  c.px.assign(static_cast<size_t>(width) * height, fill);
  return c;
}

TMask MakeMask(int width, int height) {
  TMask m;
  m.width = width;
  m.height = height;
  m.a.assign(static_cast<size_t>(width) * height, 0.0f);
  return m;
}

TColor Mix(TColor a, TColor b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
TColor Scale(TColor c, float k) { return {c.r * k, c.g * k, c.b * k}; }
TColor Add(TColor a, TColor b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

TColor Hsv(float hue, float sat, float val) {
  const float h = (hue - std::floor(hue)) * 6.0f;
  const int i = static_cast<int>(h) % 6;
  const float f = h - std::floor(h);
  const float p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
  switch (i) {
    case 0:
      return {val, t, p};
    case 1:
      return {q, val, p};
    case 2:
      return {p, val, t};
    case 3:
      return {p, q, val};
    case 4:
      return {t, p, val};
    default:
      return {val, p, q};
  }
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

float Hash2(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
               seed * 0xcb1ab31fu;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return (h >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise(float x, float y, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const float a = Hash2(ix, iy, seed), b = Hash2(ix + 1, iy, seed);
  const float c = Hash2(ix, iy + 1, seed), d = Hash2(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float Fbm(float x, float y, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + i * 101u);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

float SdCircle(float x, float y, float cx, float cy, float r) {
  return std::hypot(x - cx, y - cy) - r;
}

float SdEllipse(float x, float y, float cx, float cy, float rx, float ry) {
  // Distance scaled by the gradient: close to exact near the outline, which
  // is all the antialiasing needs.
  const float dx = (x - cx) / rx, dy = (y - cy) / ry;
  const float k = std::sqrt(dx * dx + dy * dy);
  const float g = std::sqrt(dx * dx / (rx * rx) + dy * dy / (ry * ry));
  if (g < 1e-6f) return -std::min(rx, ry);
  return (k * k - 1.0f) / (2.0f * g);
}

float SdBox(float x, float y, float cx, float cy, float hw, float hh) {
  const float dx = std::fabs(x - cx) - hw, dy = std::fabs(y - cy) - hh;
  const float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(dx, dy), 0.0f);
}

float SdSegment(float x, float y, float ax, float ay, float bx, float by, float r) {
  const float px = x - ax, py = y - ay, ux = bx - ax, uy = by - ay;
  const float len2 = ux * ux + uy * uy;
  const float t = len2 > 0 ? std::clamp((px * ux + py * uy) / len2, 0.0f, 1.0f) : 0.0f;
  return std::hypot(px - ux * t, py - uy * t) - r;
}

void PaintOver(TCanvas& canvas, const TMask& mask, TColor c) {
  for (size_t i = 0; i < canvas.px.size(); ++i) {
    if (mask.a[i] > 0.0f) canvas.px[i] = Mix(canvas.px[i], c, mask.a[i]);
  }
}

void PaintAdd(TCanvas& canvas, const TMask& mask, TColor c, float strength) {
  for (size_t i = 0; i < canvas.px.size(); ++i) {
    const float k = mask.a[i] * strength;
    if (k > 0.0f) canvas.px[i] = Add(canvas.px[i], Scale(c, k));
  }
}

namespace {

// One box pass of half-width r over `count` values spaced `stride` apart,
// reading zeros beyond both ends. `tmp` holds a copy of the line.
void BoxLine(float* line, int count, int stride, int r, std::vector<float>& tmp) {
  tmp.resize(count);
  for (int i = 0; i < count; ++i) tmp[i] = line[static_cast<size_t>(i) * stride];
  const float inv = 1.0f / (2 * r + 1);
  float sum = 0;
  for (int i = 0; i <= r && i < count; ++i) sum += tmp[i];
  for (int i = 0; i < count; ++i) {
    line[static_cast<size_t>(i) * stride] = sum * inv;
    const int add = i + r + 1, drop = i - r;
    if (add < count) sum += tmp[add];
    if (drop >= 0) sum -= tmp[drop];
  }
}

// Three box passes approximate a Gaussian of the given sigma.
int BoxRadius(float sigma) { return std::max(1, static_cast<int>(std::lround(sigma * 0.85f))); }

void BlurPlane(float* data, int width, int height, int stride, float sigma) {
  const int r = BoxRadius(sigma);
  std::vector<float> tmp;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y)
      BoxLine(data + static_cast<size_t>(y) * width * stride, width, stride, r, tmp);
    for (int x = 0; x < width; ++x)
      BoxLine(data + static_cast<size_t>(x) * stride, height, width * stride, r, tmp);
  }
}

}  // namespace

void BlurMask(TMask& mask, float sigma) {
  BlurPlane(mask.a.data(), mask.width, mask.height, 1, sigma);
}

void BlurCanvas(TCanvas& canvas, float sigma) {
  float* base = &canvas.px[0].r;
  for (int ch = 0; ch < 3; ++ch) BlurPlane(base + ch, canvas.width, canvas.height, 3, sigma);
}

void AddGlow(TCanvas& canvas, const TMask& mask, TColor c, float sigma, float strength) {
  TMask soft = mask;
  BlurMask(soft, sigma);
  PaintAdd(canvas, soft, c, strength);
}

void StampMask(TMask& dst, const TMask& src, int cx, int cy) {
  const int x0 = cx - src.width / 2, y0 = cy - src.height / 2;
  for (int y = 0; y < src.height; ++y) {
    const int dy = y0 + y;
    if (dy < 0 || dy >= dst.height) continue;
    for (int x = 0; x < src.width; ++x) {
      const int dx = x0 + x;
      if (dx < 0 || dx >= dst.width) continue;
      dst.At(dx, dy) = std::max(dst.At(dx, dy), src.At(x, y));
    }
  }
}

namespace {

// Resamples `count` lines of `from` values (spaced `step` apart inside a
// line, lines `lineStep` apart) to `to` values by area averaging.
void ResampleAxis(const std::vector<TColor>& in, std::vector<TColor>& out, int from, int to,
                  int lines, size_t inStep, size_t inLine, size_t outStep, size_t outLine) {
  const double ratio = static_cast<double>(from) / to;
  for (int l = 0; l < lines; ++l) {
    for (int i = 0; i < to; ++i) {
      const double a = i * ratio, b = (i + 1) * ratio;
      TColor sum{0, 0, 0};
      double weight = 0;
      for (int s = static_cast<int>(a); s < from && s < b; ++s) {
        const double w = std::min<double>(b, s + 1) - std::max<double>(a, s);
        if (w <= 0) continue;
        const TColor& c = in[l * inLine + s * inStep];
        sum = Add(sum, Scale(c, static_cast<float>(w)));
        weight += w;
      }
      out[l * outLine + i * outStep] = Scale(sum, static_cast<float>(1.0 / weight));
    }
  }
}

}  // namespace

TCanvas Resample(const TCanvas& src, int width, int height) {
  TCanvas mid = MakeCanvas(width, src.height);
  ResampleAxis(src.px, mid.px, src.width, width, src.height, 1, src.width, 1, width);
  TCanvas out = MakeCanvas(width, height);
  ResampleAxis(mid.px, out.px, src.height, height, width, width, 1, width, 1);
  return out;
}

std::vector<uint8_t> ToRgbBytes(const TCanvas& canvas) {
  std::vector<uint8_t> rgb(canvas.px.size() * 3);
  for (size_t i = 0; i < canvas.px.size(); ++i) {
    const TColor& c = canvas.px[i];
    rgb[i * 3 + 0] = static_cast<uint8_t>(std::lround(Clamp01(c.r) * 255.0f));
    rgb[i * 3 + 1] = static_cast<uint8_t>(std::lround(Clamp01(c.g) * 255.0f));
    rgb[i * 3 + 2] = static_cast<uint8_t>(std::lround(Clamp01(c.b) * 255.0f));
  }
  return rgb;
}

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xff;
  b[at + 1] = (v >> 8) & 0xff;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xffff);
  Put16(b, at + 2, v >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, const TCanvas& canvas) {
  if (canvas.width % 4 != 0) {
    std::fprintf(stderr, "kelvane-assetgen: %s: width %d is not a multiple of 4\n", path.c_str(),
                 canvas.width);
    return false;
  }
  const std::vector<uint8_t> rgb = ToRgbBytes(canvas);
  const uint32_t pixelBytes = static_cast<uint32_t>(rgb.size());
  const uint32_t headerBytes = 14 + 40;
  std::vector<uint8_t> file(headerBytes + pixelBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, headerBytes + pixelBytes);
  Put32(file, 10, headerBytes);
  Put32(file, 14, 40);
  Put32(file, 18, canvas.width);
  Put32(file, 22, canvas.height);  // positive: rows stored bottom-up
  Put16(file, 26, 1);
  Put16(file, 28, 24);
  Put32(file, 30, 0);  // BI_RGB, uncompressed
  Put32(file, 34, pixelBytes);
  Put32(file, 38, 2835);  // 72 dpi, in pixels per metre
  Put32(file, 42, 2835);
  const size_t row = static_cast<size_t>(canvas.width) * 3;
  for (int y = 0; y < canvas.height; ++y) {
    const uint8_t* src = &rgb[static_cast<size_t>(canvas.height - 1 - y) * row];
    uint8_t* dst = &file[headerBytes + y * row];
    for (int x = 0; x < canvas.width; ++x) {
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  // Written whole, never through a link (regular_file.h).
  std::string error;
  if (WriteFileWhole(
          path, [&](FILE* f) { return std::fwrite(file.data(), 1, file.size(), f) == file.size(); },
          &error))
    return true;
  std::fprintf(stderr, "kelvane-assetgen: %s\n", error.c_str());
  return false;
}
