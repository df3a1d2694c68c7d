// The pixel-art tile and the trumpet sprite.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures.h"

namespace {

constexpr int kTile = 64;  // image4.bmp side, texels

// 4 x 4 ordered dither threshold, 0..1.
float Bayer(int x, int y) {
  static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return (m[y & 3][x & 3] + 0.5f) / 16.0f;
}

// Picks one of the colours of a ramp by value with ordered dithering, so
// the tile keeps a small palette.
TColor Ramp(const TColor* ramp, int count, float v, int x, int y) {
  const float f = Clamp01(v) * (count - 1);
  int i = static_cast<int>(f);
  if (f - i > Bayer(x, y)) ++i;
  return ramp[std::min(i, count - 1)];
}

}  // namespace

// image4.bmp: a 64 x 64 pixel-art duck swimming on a bevelled tile. Drawn
// texel by texel with hard edges, a dithered palette and a one-texel
// outline, because the tile wall magnifies it with nearest filtering.
TCanvas PaintPixelDuckTile() {
  TCanvas c = MakeCanvas(kTile, kTile);
  const TColor sky[] = {{0.05f, 0.08f, 0.25f}, {0.1f, 0.16f, 0.42f}, {0.18f, 0.3f, 0.62f}};
  const TColor sea[] = {{0.03f, 0.18f, 0.45f}, {0.06f, 0.32f, 0.68f}, {0.35f, 0.7f, 0.95f}};
  // The brightest tones stop short of white: the colour split is added
  // over the wall where the two scenes overlap.
  const TColor feather[] = {{0.72f, 0.37f, 0.05f}, {0.84f, 0.64f, 0.1f}, {0.86f, 0.8f, 0.46f}};
  const TColor outline{0.18f, 0.07f, 0.02f};
  const TColor beak{0.85f, 0.39f, 0.07f};
  const int waterline = 47;

  // Which texels belong to the duck: 0 none, 1 feathers, 2 beak.
  std::vector<int> duck(kTile * kTile, 0);
  auto inside = [&](float x, float y) {
    if (SdEllipse(x, y, 51.5f, 29.0f, 5.5f, 2.3f) < 0) return 2;
    const float body = SdEllipse(x, y, 29, 40, 16.5f, 9.5f);
    const float neck = SdEllipse(x, y, 38.5f, 34, 5, 6.5f);
    const float head = SdCircle(x, y, 42, 26.5f, 7.8f);
    const float tail = SdSegment(x, y, 19, 38, 11.5f, 31.5f, 2.6f);
    return std::fmin(std::fmin(body, neck), std::fmin(head, tail)) < 0 ? 1 : 0;
  };
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x)
      duck[y * kTile + x] = y < waterline ? inside(x + 0.5f, y + 0.5f) : 0;
  }
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x) {
      const float fx = x + 0.5f, fy = y + 0.5f;
      TColor col;
      if (y >= waterline) {
        const int crest = waterline + static_cast<int>(std::lround(1.2f * std::sin(x * 0.55f)));
        float v = 0.65f - (y - waterline) * 0.035f;
        if (x > 12 && x < 46 && y < waterline + 4) v -= 0.35f;  // the duck's shadow
        col = Ramp(sea, 3, v, x, y);
        if (y == crest + 1 && (x / 3) % 3 != 2) col = sea[2];
        if ((y - waterline) % 5 == 3 && ((x + y * 3) / 4) % 4 == 0) col = sea[2];
      } else {
        col = Ramp(sky, 3, 0.15f + 0.85f * (y / static_cast<float>(waterline)), x, y);
        const bool star = (x == 9 && y == 12) || (x == 55 && y == 8) || (x == 20 && y == 5) ||
                          (x == 58 && y == 40);
        if (star) col = TColor{0.82f, 0.86f, 0.92f};
      }
      const int part = duck[y * kTile + x];
      if (part == 2) {
        col = y >= 30 ? Scale(beak, 0.75f) : beak;
      } else if (part == 1) {
        // Light from the upper left, three tones.
        const bool onHead = SdCircle(fx, fy, 42, 26.5f, 7.8f) < 0;
        const float nx = onHead ? (fx - 42) / 7.8f : (fx - 29) / 16.5f;
        const float ny = onHead ? (fy - 26.5f) / 7.8f : (fy - 40) / 9.5f;
        col = Ramp(feather, 3, 0.6f - 0.45f * nx - 0.55f * ny, x, y);
        const float wing = SdEllipse(fx, fy, 27, 40.5f, 9, 4.8f);
        if (std::fabs(wing) < 0.6f && fy > 37) col = feather[0];
        if (wing < 0 && (static_cast<int>(fx) - 22) % 4 == 0 && fy > 41) col = feather[0];
      } else {
        bool edge = false;
        for (int k = 0; k < 4; ++k) {
          const int nx = x + (k == 0) - (k == 1), ny = y + (k == 2) - (k == 3);
          if (nx >= 0 && ny >= 0 && nx < kTile && ny < kTile && duck[ny * kTile + nx]) edge = true;
        }
        if (edge) col = outline;
      }
      c.At(x, y) = col;
    }
  }
  // The eye: black with one white glint.
  c.At(44, 24) = c.At(45, 24) = c.At(44, 25) = c.At(45, 25) = outline;
  c.At(45, 24) = TColor{1, 1, 1};
  // The bevel: two light texels on the top and left, two dark on the
  // bottom and right, so that the wall reads as tiles.
  for (int i = 0; i < kTile; ++i) {
    for (int k = 0; k < 2; ++k) {
      const TColor light = k ? TColor{0.45f, 0.6f, 0.9f} : TColor{0.75f, 0.85f, 1.0f};
      const TColor dark = k ? TColor{0.04f, 0.08f, 0.22f} : TColor{0.01f, 0.02f, 0.08f};
      c.At(i, k) = light;
      c.At(k, i) = light;
      c.At(i, kTile - 1 - k) = dark;
      c.At(kTile - 1 - k, i) = dark;
    }
  }
  return c;
}

namespace {

constexpr int kTrumpetCanvas = 1024;  // design size of the trumpet
constexpr float kAxis = 440;          // the main tube's axis, design pixels
constexpr float kBellStart = 640, kBellEnd = 965;
constexpr size_t kLoopTubes = 33;  // the lower loop, drawn behind the bell

constexpr int kCard = 256;  // trumpet.bmp and trumpetalpha.bmp side, texels
// The design is resampled to this size and centred in the card: the
// trumpet then spans about 60 % of the card's width, and the transparent
// margin keeps the ring of seven sprites from hiding the models it turns
// around.
constexpr int kTrumpetInCard = 164;
const TColor kCardFill{0.45f, 0.3f, 0.08f};  // under the cut-out edges, so they filter to brass

// One part of the trumpet: a tube between two points, with a radius and a
// finish (0 brass, 1 pearl buttons).
struct TTube {
  float ax, ay, bx, by, r;
  int finish;
};

float BellRadius(float x) {
  const float t = Clamp01((x - kBellStart) / (kBellEnd - kBellStart));
  return 19.0f + 205.0f * std::pow(t, 3.4f);
}

std::vector<TTube> TrumpetTubes() {
  std::vector<TTube> t;
  // The lower loop, with rounded bends at both ends.
  t.push_back({330, 590, 700, 590, 17, 0});
  const float pi = 3.14159265f;
  for (int i = 0; i < 16; ++i) {
    const float a0 = pi * i / 16, a1 = pi * (i + 1) / 16;
    t.push_back({700 + 75 * std::sin(a0), 515 + 75 * std::cos(a0), 700 + 75 * std::sin(a1),
                 515 + 75 * std::cos(a1), 17, 0});
    t.push_back({330 - 75 * std::sin(a0), 515 + 75 * std::cos(a0), 330 - 75 * std::sin(a1),
                 515 + 75 * std::cos(a1), 17, 0});
  }
  // The main tube from the mouthpiece to the bell.
  t.push_back({120, kAxis, kBellStart + 4, kAxis, 18, 0});
  // The mouthpiece: shank and cup.
  t.push_back({64, kAxis, 130, kAxis, 12, 0});
  t.push_back({48, kAxis, 70, kAxis, 30, 0});
  // Three valve casings with rings, stems and pearl buttons.
  for (int v = 0; v < 3; ++v) {
    const float x = 430 + 68 * v;
    t.push_back({x, 395, x, 640, 27, 0});
    t.push_back({x, 398, x, 406, 32, 0});
    t.push_back({x, 630, x, 642, 31, 0});
    t.push_back({x, 392, x, 340, 7, 0});
    t.push_back({x - 18, 334, x + 18, 334, 12, 1});
  }
  return t;
}

// Shading of the metal for a unit normal (screen x right, y down, z to the
// viewer): brass lit from the upper left with a dark horizon band and a
// sharp highlight.
TColor Metal(float nx, float ny, float nz, int finish) {
  const float lx = -0.45f, ly = -0.6f, lz = 0.66f;
  const float diffuse = std::fmax(0.0f, nx * lx + ny * ly + nz * lz);
  // Reflection of the view ray (0, 0, 1) about n, against the light.
  const float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
  const float specular = std::pow(std::fmax(0.0f, rx * lx + ry * ly + rz * lz), 40.0f);
  const TColor base = finish ? TColor{0.92f, 0.9f, 0.85f} : TColor{0.88f, 0.62f, 0.2f};
  const float horizon = 0.55f + 0.45f * SmoothStep(-0.1f, 0.35f, -ny);
  TColor c = Scale(base, (0.22f + 0.85f * diffuse) * horizon);
  return Add(c, Scale(TColor{1.0f, 0.95f, 0.8f}, specular));
}

// The trumpet at design size: colour and coverage.
void DrawTrumpet(TCanvas* colour, TMask* alpha) {
  *colour = MakeCanvas(kTrumpetCanvas, kTrumpetCanvas, kCardFill);
  *alpha = MakeMask(kTrumpetCanvas, kTrumpetCanvas);
  const std::vector<TTube> tubes = TrumpetTubes();
  const float mouthRy = BellRadius(kBellEnd), mouthRx = mouthRy * 0.16f;
  for (int y = 0; y < kTrumpetCanvas; ++y) {
    for (int x = 0; x < kTrumpetCanvas; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      float cover = 0;
      TColor col = colour->At(x, y);
      bool hit = false;
      float nx = 0, ny = 0;
      int finish = 0;
      // The bell lies behind the valves and in front of the loop.
      auto tryTube = [&](const TTube& t) {
        if (px < std::fmin(t.ax, t.bx) - t.r - 1 || px > std::fmax(t.ax, t.bx) + t.r + 1 ||
            py < std::fmin(t.ay, t.by) - t.r - 1 || py > std::fmax(t.ay, t.by) + t.r + 1) {
          return;
        }
        const float d = SdSegment(px, py, t.ax, t.ay, t.bx, t.by, t.r);
        cover = std::fmax(cover, Clamp01(0.5f - d));
        if (d < 0.5f) {
          const float ux = t.bx - t.ax, uy = t.by - t.ay;
          const float len2 = ux * ux + uy * uy;
          const float s = len2 > 0 ? Clamp01(((px - t.ax) * ux + (py - t.ay) * uy) / len2) : 0.0f;
          nx = std::fmax(-1.0f, std::fmin(1.0f, (px - (t.ax + ux * s)) / t.r));
          ny = std::fmax(-1.0f, std::fmin(1.0f, (py - (t.ay + uy * s)) / t.r));
          finish = t.finish;
          hit = true;
        }
      };
      // The loop is one bent tube made of short pieces: shade it from the
      // nearest piece, so its surface runs smoothly round the bends.
      size_t nearest = 0;
      float nearestDistance = 1e9f;
      for (size_t i = 0; i < kLoopTubes; ++i) {
        const TTube& t = tubes[i];
        const float d = SdSegment(px, py, t.ax, t.ay, t.bx, t.by, t.r);
        if (d < nearestDistance) {
          nearestDistance = d;
          nearest = i;
        }
      }
      tryTube(tubes[nearest]);
      if (px >= kBellStart && px <= kBellEnd + mouthRx) {
        const float r = BellRadius(std::fmin(px, kBellEnd));
        const float d = std::fabs(py - kAxis) - r;
        const float cut = px > kBellEnd ? SdEllipse(px, py, kBellEnd, kAxis, mouthRx, mouthRy) : d;
        const float sd = std::fmax(d, cut);
        cover = std::fmax(cover, Clamp01(0.5f - sd));
        if (sd < 0.5f) {
          const float slope = (BellRadius(px + 1) - BellRadius(px - 1)) * 0.5f;
          ny = (py - kAxis) / r;
          nx = -slope * std::fabs(ny) * 0.8f;
          finish = 0;
          hit = true;
        }
      }
      for (size_t i = kLoopTubes; i < tubes.size(); ++i) tryTube(tubes[i]);
      if (hit) {
        const float len = std::sqrt(nx * nx + ny * ny);
        if (len > 0.999f) {
          nx /= len * 1.001f;
          ny /= len * 1.001f;
        }
        col = Metal(nx, ny, std::sqrt(std::fmax(0.0f, 1 - nx * nx - ny * ny)), finish);
      }
      // The open mouth of the bell: dark inside, a bright rolled rim.
      const float mouth = SdEllipse(px, py, kBellEnd, kAxis, mouthRx, mouthRy);
      if (mouth < 0) {
        const float depth = Clamp01(-mouth / 26.0f);
        col = Mix(TColor{1.0f, 0.85f, 0.45f}, TColor{0.25f, 0.14f, 0.03f}, depth);
        col = Add(col, Scale(TColor{1, 0.9f, 0.6f},
                             std::exp(-std::pow((py - kAxis + 90) / 50, 2.0f)) * 0.4f * depth));
        cover = std::fmax(cover, Clamp01(0.5f - mouth));
      }
      colour->At(x, y) = col;
      alpha->At(x, y) = cover;
    }
  }
}

// The design shrunk to kTrumpetInCard and centred on a card filled with
// `fill`.
TCanvas PlaceInCard(const TCanvas& design, TColor fill) {
  const TCanvas small = Resample(design, kTrumpetInCard, kTrumpetInCard);
  TCanvas card = MakeCanvas(kCard, kCard, fill);
  const int at = (kCard - kTrumpetInCard) / 2;
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) card.At(at + x, at + y) = small.At(x, y);
  }
  return card;
}

}  // namespace

// trumpet.bmp: the colour of the sprite, 256 x 256.
TCanvas PaintTrumpet() {
  TCanvas colour;
  TMask alpha;
  DrawTrumpet(&colour, &alpha);
  return PlaceInCard(colour, kCardFill);
}

// trumpetalpha.bmp: its shape in grey, white opaque, black transparent.
TCanvas PaintTrumpetAlpha() {
  TCanvas colour;
  TMask alpha;
  DrawTrumpet(&colour, &alpha);
  TCanvas grey = MakeCanvas(kTrumpetCanvas, kTrumpetCanvas);
  for (size_t i = 0; i < grey.px.size(); ++i) grey.px[i] = {alpha.a[i], alpha.a[i], alpha.a[i]};
  return PlaceInCard(grey, {0, 0, 0});
}
