// The application icons: the opening card's ring and "ZUW" on a dark disc,
// transparent around it, at the sizes desktops ask for, as RGBA PNGs in the
// folder layout of an icon theme (DIR/NxN/kelvane.png), and the same images
// in one Windows icon (DIR/kelvane.ico) for the Windows programs' resources.
//
// Each size is painted afresh on a 1024 x 1024 canvas and averaged down, with
// the ring and the lettering's strokes kept at least about one output pixel
// wide, so the 16-pixel icon still shows a ring and three letters rather
// than a grey smudge. The colour is painted pre-multiplied by the disc's
// coverage and divided back after the resampling, so the rim is not dark.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "assetgen/assetgen.h"
#include "lettering.h"
#include "pictures.h"
#include "platform/files/regular_file.h"
#include "png_file.h"

namespace {

constexpr int kIconSides[] = {16, 24, 32, 48, 64, 128, 256};  // pixels
constexpr int kCanvasSide = 1024;                             // painting size, pixels
constexpr const char* kIconName = "kelvane.png";
constexpr const char* kWindowsIconName = "kelvane.ico";

struct TIcon {
  TCanvas colour;  // pre-multiplied by alpha
  TCanvas alpha;   // coverage in every channel
};

TIcon PaintIcon(int side) {
  const float c = kCanvasSide * 0.5f;
  const float pixel = static_cast<float>(kCanvasSide) / side;  // one output pixel
  const float disc = c - 0.5f * pixel;

  TMask cover = MakeMask(kCanvasSide, kCanvasSide);
  FillShape(cover, [&](float x, float y) { return SdCircle(x, y, c, c, disc); });

  TIcon icon{MakeCanvas(kCanvasSide, kCanvasSide), MakeCanvas(kCanvasSide, kCanvasSide)};
  TCanvas& canvas = icon.colour;
  ShadeAll(canvas, [&](float x, float y, TColor) {
    const float r = std::hypot(x - c, y - c) / disc;
    return Mix(TColor{0.03f, 0.08f, 0.22f}, TColor{0.0f, 0.01f, 0.05f}, r * r);
  });

  const float ringRadius = disc - std::fmax(0.09f * kCanvasSide, 1.2f * pixel);
  const float ringHalf = std::fmax(0.012f * kCanvasSide, 0.6f * pixel);
  TMask ring = MakeMask(kCanvasSide, kCanvasSide);
  FillShape(ring, [&](float x, float y) {
    return std::fabs(SdCircle(x, y, c, c, ringRadius)) - ringHalf;
  });
  PaintGlowing(canvas, ring, {0.55f, 0.85f, 1.0f}, {0.1f, 0.45f, 1.0f}, 0.01f * kCanvasSide);

  // "ZUW" across most of the ring's inside, its strokes thickened below 64
  // pixels.
  TTextStyle style{kSansBold, 100, 0.02f};
  // Narrower, taller letters where a letter is only three or four pixels wide.
  if (side < 24) style.stretchX = 0.72f;
  const int measured = RenderText(style, "ZUW").width;
  if (measured > 0) style.size *= 1.5f * ringRadius / measured;
  TMask title = MakeMask(kCanvasSide, kCanvasSide);
  DrawText(title, style, "ZUW", static_cast<int>(c), static_cast<int>(c));
  const float bold = 0.25f * pixel;
  if (bold > 4.0f) {
    BlurMask(title, bold);
    for (float& a : title.a) a = Clamp01(a * 3.0f);
  }
  PaintGlowing(canvas, title, {1.0f, 1.0f, 1.0f}, {0.15f, 0.55f, 1.0f}, 0.012f * kCanvasSide);

  ShadeAll(canvas, [&](float x, float y, TColor cur) {
    return Scale(cur, cover.At(static_cast<int>(x), static_cast<int>(y)));
  });
  ShadeAll(icon.alpha, [&](float x, float y, TColor) {
    const float a = cover.At(static_cast<int>(x), static_cast<int>(y));
    return TColor{a, a, a};
  });
  icon.colour = Resample(icon.colour, side, side);
  icon.alpha = Resample(icon.alpha, side, side);
  return icon;
}

// Straight (not pre-multiplied) 8-bit RGBA, rows top first.
std::vector<uint8_t> ToRgbaBytes(const TIcon& icon) {
  std::vector<uint8_t> rgba;
  rgba.reserve(icon.colour.px.size() * 4);
  auto quantise = [](float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
  for (size_t i = 0; i < icon.colour.px.size(); ++i) {
    const float a = Clamp01(icon.alpha.px[i].r);
    const TColor& p = icon.colour.px[i];
    const float k = a > 0.0f ? 1.0f / a : 0.0f;
    rgba.push_back(quantise(p.r * k));
    rgba.push_back(quantise(p.g * k));
    rgba.push_back(quantise(p.b * k));
    rgba.push_back(quantise(a));
  }
  return rgba;
}

// The icon as PNG bytes; its colours are painted in sRGB, and the file says
// so. Empty when libpng failed.
std::vector<uint8_t> PngBytes(const std::vector<uint8_t>& rgba, int side) {
  char* data = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&data, &size);
  if (!f) return {};
  const bool written = WritePngStream(f, rgba.data(), side, side, 4, true);
  std::fclose(f);
  std::vector<uint8_t> bytes;
  if (written) bytes.assign(data, data + size);
  std::free(data);
  return bytes;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string error;
  if (!bytes.empty() &&
      WriteFileWhole(
          path, [&](FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); },
          &error))
    return true;
  std::fprintf(stderr, "kelvane-assetgen: %s\n",
               error.empty() ? (path + ": cannot encode the icon").c_str() : error.c_str());
  return false;
}

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A Windows icon file holding each size as PNG, as Windows Vista and later
// read it: the directory (reserved 0, type 1, count), then one 16-byte entry
// per image (width and height, 0 meaning 256; no palette; 1 plane; 32 bits;
// the image's size and offset), then the images.
std::vector<uint8_t> WindowsIcon(const std::vector<std::pair<int, std::vector<uint8_t>>>& pngs) {
  std::vector<uint8_t> ico;
  PutLe(&ico, 0, 2);
  PutLe(&ico, 1, 2);
  PutLe(&ico, static_cast<uint32_t>(pngs.size()), 2);
  uint32_t offset = static_cast<uint32_t>(6 + 16 * pngs.size());
  for (const auto& [side, png] : pngs) {
    PutLe(&ico, side >= 256 ? 0 : side, 1);
    PutLe(&ico, side >= 256 ? 0 : side, 1);
    PutLe(&ico, 0, 2);  // no palette, reserved
    PutLe(&ico, 1, 2);
    PutLe(&ico, 32, 2);
    PutLe(&ico, static_cast<uint32_t>(png.size()), 4);
    PutLe(&ico, offset, 4);
    offset += static_cast<uint32_t>(png.size());
  }
  for (const auto& entry : pngs) ico.insert(ico.end(), entry.second.begin(), entry.second.end());
  return ico;
}

}  // namespace

bool WriteIcons(const std::string& dir) {
  bool ok = true;
  std::vector<std::pair<int, std::vector<uint8_t>>> pngs;
  for (int side : kIconSides) {
    const std::string folder = dir + "/" + std::to_string(side) + "x" + std::to_string(side);
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    if (failed) {
      std::fprintf(stderr, "kelvane-assetgen: %s: cannot make the folder: %s\n", folder.c_str(),
                   failed.message().c_str());
      ok = false;
      continue;
    }
    pngs.emplace_back(side, PngBytes(ToRgbaBytes(PaintIcon(side)), side));
    ok = WriteBytes(folder + "/" + kIconName, pngs.back().second) && ok;
  }
  if (ok) ok = WriteBytes(dir + "/" + kWindowsIconName, WindowsIcon(pngs));
  if (LetteringFailed()) {
    std::fprintf(stderr, "kelvane-assetgen: icons written without their lettering\n");
    ok = false;
  }
  return ok;
}
