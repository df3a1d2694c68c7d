// The scene pictures. Each is designed on a canvas with the aspect its
// scene shows it at, then resampled to its power-of-two texture size.
#include <algorithm>
#include <cmath>

#include "lettering.h"
#include "pictures.h"

namespace {

constexpr float kPi = 3.14159265f;

// A fractal ridge line: height in pixels above `base` at x.
float Ridge(float x, float base, float height, float scale, uint32_t seed) {
  const float n = Fbm(x / scale, 0.5f, 5, seed);
  const float sharp = 1.0f - std::fabs(2.0f * ValueNoise(x / (scale * 0.5f), 3.5f, seed + 7) - 1);
  return base - height * (0.65f * n + 0.35f * sharp);
}

// A sky of scattered small stars: brightness of the star field at a pixel.
float Stars(float x, float y, float density, uint32_t seed) {
  const int cell = 9;
  const int ix = static_cast<int>(x) / cell, iy = static_cast<int>(y) / cell;
  if (Hash2(ix, iy, seed) > density) return 0.0f;
  const float sx = ix * cell + 1 + Hash2(ix, iy, seed + 1) * (cell - 2);
  const float sy = iy * cell + 1 + Hash2(ix, iy, seed + 2) * (cell - 2);
  const float d = std::hypot(x - sx, y - sy);
  return std::exp(-d * d * 1.2f) * (0.3f + 0.7f * Hash2(ix, iy, seed + 3));
}

// Rolls a displayed value off smoothly above `knee` towards `ceiling`
// (both 0..1), so that highlights keep their shape instead of clipping.
float Shoulder(float v, float knee, float ceiling) {
  if (v <= knee) return v;
  return knee + (ceiling - knee) * (1.0f - std::exp(-(v - knee) / (ceiling - knee)));
}

// The sliced scenes add every point of their picture twice (the strips
// overlap by half), so a picture painted at the brightness it should show
// is stored at half of it, its highlights rolled off first so that the sum
// of two texels stays below white. `exposure` scales the painting first.
void StoreForTwoStrips(TCanvas& canvas, float exposure) {
  const float knee = 0.75f, ceiling = 0.99f;
  for (TColor& p : canvas.px) {
    const TColor e = Scale(p, exposure);
    p = {0.5f * Shoulder(e.r, knee, ceiling), 0.5f * Shoulder(e.g, knee, ceiling),
         0.5f * Shoulder(e.b, knee, ceiling)};
  }
}

// The lit windows of one near tower of the city: a regular grid of panes,
// centred in the tower, most of them lit. Panes and gaps are several
// texels wide after resampling, so the sideways ripple of the strips (about
// two texels between neighbouring strips) bends them without breaking them
// up. Window light is stored at half strength: the scene adds it twice.
void PaintWindows(TCanvas& canvas, float left, float right, float top, float bottom, size_t tower) {
  const float paneW = 15, paneH = 22, pitchX = 24, pitchY = 36, margin = 8;
  const int columns = static_cast<int>((right - left - 2 * margin + (pitchX - paneW)) / pitchX);
  if (columns < 1) return;
  const float x0 = (left + right) * 0.5f - (columns * pitchX - (pitchX - paneW)) * 0.5f;
  const int t = static_cast<int>(tower);
  for (int row = 0;; ++row) {
    const float y0 = top + 22 + row * pitchY;
    if (y0 + paneH > bottom - 10) break;
    // Whole floors go dark now and then; otherwise most panes are lit.
    const bool darkFloor = Hash2(t, row, 96) < 0.12f;
    for (int col = 0; col < columns; ++col) {
      const float lit = Hash2(t * 16 + col, row, 97);
      if (darkFloor || lit < 0.25f) continue;
      const TColor hue = lit > 0.88f  ? TColor{0.25f, 0.85f, 1.0f}
                         : lit > 0.8f ? TColor{1.0f, 0.45f, 0.85f}
                                      : TColor{1.0f, 0.78f, 0.4f};
      const TColor light = Scale(hue, 0.32f + 0.16f * Hash2(t * 16 + col, row, 98));
      const float px0 = x0 + col * pitchX;
      for (int y = static_cast<int>(y0); y < static_cast<int>(y0 + paneH); ++y) {
        // A little brighter at the top of the pane, where the lamp hangs.
        const TColor shade = Scale(light, 1.0f - 0.25f * (y - y0) / paneH);
        for (int x = static_cast<int>(px0); x < static_cast<int>(px0 + paneW); ++x) {
          if (x >= 0 && x < canvas.width) canvas.At(x, y) = shade;
        }
      }
    }
  }
}

}  // namespace

// Echo picture 1, 2:1: a striped sun setting behind a ridge over a neon
// grid floor, under a dusk sky. The echo scene fades it to a seventh as its
// copies drift apart, so the sky and the floor are lit through, violet
// above to rose at the horizon, and the echoes still fill the frame.
TCanvas PaintSynthSun() {
  TCanvas c = MakeCanvas(1024, 512);
  const float horizon = 318;
  ShadeAll(c, [&](float x, float y, TColor) {
    if (y < horizon) {
      const float t = y / horizon;
      TColor sky =
          Mix(TColor{0.42f, 0.18f, 0.64f}, TColor{0.85f, 0.34f, 0.7f}, SmoothStep(0, 0.8f, t));
      sky = Mix(sky, TColor{1.0f, 0.56f, 0.5f}, SmoothStep(0.6f, 1.0f, t));
      return Add(sky, Scale(TColor{0.8f, 0.8f, 1.0f}, Stars(x, y, 0.05f, 11) * (1 - t) * 0.6f));
    }
    // Perspective grid on the floor: depth from the row, lines in x and z.
    const float d = (y - horizon) / (512 - horizon);
    const float z = 1.0f / (d + 0.02f);
    const float gx = (x - 512) * z / 90.0f;
    const float lx = std::fabs(gx - std::round(gx)) / (z * 0.012f);
    const float lz = std::fabs(z * 0.9f - std::round(z * 0.9f)) / (z * 0.9f * 0.04f + 0.01f);
    const float line = std::fmax(std::exp(-lx * lx), std::exp(-lz * lz * 0.5f));
    const TColor grid = Mix(TColor{1.0f, 0.3f, 0.85f}, TColor{0.3f, 0.95f, 1.0f}, d);
    const TColor ground = Mix(TColor{0.62f, 0.2f, 0.62f}, TColor{0.3f, 0.1f, 0.5f}, d);
    return Mix(ground, grid, line * (0.6f + 0.4f * d));
  });
  // The sun, yellow to magenta, cut by slots that widen downwards.
  const float sx = 512, sy = 238, sr = 170;
  TMask sun = MakeMask(c.width, c.height);
  FillShape(sun, [&](float x, float y) {
    float d = SdCircle(x, y, sx, sy, sr);
    const float u = (y - (sy - 10)) / (sr + 10);
    if (u > 0) {
      const float period = 34;
      const float p = std::fmod(y - (sy - 10), period);
      const float gap = 3 + 14 * u;
      d = std::fmax(d, gap * 0.5f - std::fabs(p - period * 0.5f));
    }
    return d;
  });
  AddGlow(c, sun, {1.0f, 0.2f, 0.55f}, 40, 0.8f);
  ShadeOver(c, sun, [&](float, float y) {
    return Mix(TColor{1.0f, 0.95f, 0.35f}, TColor{1.0f, 0.15f, 0.55f},
               SmoothStep(sy - sr, sy + sr * 0.9f, y));
  });
  // A dark ridge in front of the sun's foot, lit at its rim.
  TMask hills = MakeMask(c.width, c.height);
  FillShape(hills, [&](float x, float y) {
    const float top = Ridge(x, horizon + 2, 95 - 60 * std::fabs(x - 512) / 512, 150, 5);
    return std::fmax(top - y, y - (horizon + 1));
  });
  TMask rim = hills;
  BlurMask(rim, 2.0f);
  ShadeAll(c, [&](float x, float y, TColor cur) {
    const float h = hills.At(static_cast<int>(x), static_cast<int>(y));
    const float edge = rim.At(static_cast<int>(x), static_cast<int>(y)) * (1 - h);
    TColor out = Mix(cur, TColor{0.36f, 0.1f, 0.42f}, h);
    return Add(out, Scale(TColor{1.0f, 0.4f, 0.8f}, edge * 2.0f));
  });
  TMask line = MakeMask(c.width, c.height);
  FillShape(line,
            [&](float x, float y) { return SdSegment(x, y, 0, horizon, 1024, horizon, 1.2f); });
  PaintGlowing(c, line, {1.0f, 0.6f, 0.95f}, {0.9f, 0.2f, 0.8f}, 5);
  return Resample(c, 512, 256);
}

// Echo picture 2, 2:1: a banded planet with a tilted ring and a small
// moon, lit from the upper left, before a violet and teal nebula. As with
// the sun, the echoes fade it to a seventh, so the night side keeps a
// glow of its own and the sky is never black.
TCanvas PaintRingedPlanet() {
  TCanvas c = MakeCanvas(1024, 512);
  const float px = 600, py = 262, pr = 182;
  const float tilt = -0.26f, cs = std::cos(tilt), sn = std::sin(tilt);
  auto ringCoord = [&](float x, float y, float* r) {
    const float dx = x - px, dy = y - py;
    const float u = dx * cs + dy * sn, v = (-dx * sn + dy * cs) / 0.2f;
    *r = std::hypot(u, v) / pr;
    return v;  // positive: the near half of the ring (below the planet's centre)
  };
  ShadeAll(c, [&](float x, float y, TColor) {
    const float cloud = SmoothStep(0.3f, 0.75f, Fbm(x / 220.0f, y / 220.0f, 5, 27));
    TColor out = Mix(TColor{0.2f, 0.15f, 0.4f}, TColor{0.55f, 0.24f, 0.62f}, cloud);
    out = Add(out, Scale(TColor{0.1f, 0.36f, 0.46f},
                         SmoothStep(0.45f, 0.8f, Fbm(x / 140.0f + 9, y / 140.0f, 4, 29))));
    const float halo = std::fmax(0.0f, std::hypot(x - px, y - py) - pr);
    out = Add(out, Scale(TColor{0.25f, 0.42f, 0.6f}, std::exp(-halo / 90.0f) * 0.7f));
    out = Add(out, Scale(TColor{0.85f, 0.9f, 1.0f}, Stars(x, y, 0.09f, 23)));
    float rr = 0;
    const float v = ringCoord(x, y, &rr);
    const float ring = (rr > 1.3f && rr < 2.2f)
                           ? (0.55f + 0.45f * std::sin(rr * 38.0f)) * SmoothStep(1.3f, 1.36f, rr) *
                                 (1 - SmoothStep(2.1f, 2.2f, rr)) *
                                 (std::fabs(rr - 1.75f) < 0.03f ? 0.2f : 1.0f)
                           : 0.0f;
    const TColor ringCol =
        Mix(TColor{1.0f, 0.85f, 0.6f}, TColor{0.8f, 0.55f, 0.35f}, SmoothStep(1.3f, 2.2f, rr));
    const float dx = (x - px) / pr, dy = (y - py) / pr;
    const float d2 = dx * dx + dy * dy;
    const bool behind = v < 0;
    if (behind) out = Add(out, Scale(ringCol, ring * 0.9f));
    if (d2 < 1.0f) {
      const float nz = std::sqrt(1 - d2);
      const float light = std::fmax(0.0f, -0.55f * dx - 0.45f * dy + 0.7f * nz);
      const float lat =
          dy + 0.08f * std::sin(dx * 6.0f) + 0.05f * (Fbm(dx * 4.0f, dy * 12.0f, 4, 31) - 0.5f);
      const float band = 0.5f + 0.5f * std::sin(lat * 17.0f);
      TColor body = Mix(TColor{0.1f, 0.45f, 0.75f}, TColor{0.55f, 0.9f, 0.95f}, band);
      body = Mix(body, TColor{0.95f, 0.75f, 0.55f}, SmoothStep(0.75f, 0.95f, band) * 0.6f);
      // The ring's shadow falls across the planet just below the equator.
      float shadowR = 0;
      ringCoord(x + 40, y - 70, &shadowR);
      const float shade = (shadowR > 1.3f && shadowR < 2.2f) ? 0.55f : 1.0f;
      const TColor lit = Scale(body, (0.32f + 0.9f * light) * shade);
      const float edge = SmoothStep(1.0f, 0.985f, std::sqrt(d2));
      out = Mix(out, lit, edge);
      // Thin atmosphere on the lit limb.
      out = Add(out, Scale(TColor{0.3f, 0.7f, 1.0f},
                           SmoothStep(0.85f, 1.0f, std::sqrt(d2)) * light * 0.8f));
    }
    if (!behind) out = Add(Scale(out, 1 - ring * 0.9f), Scale(ringCol, ring));
    return out;
  });
  const float mx = 185, my = 150, mr = 44;
  TMask moon = MakeMask(c.width, c.height);
  FillShape(moon, [&](float x, float y) { return SdCircle(x, y, mx, my, mr); });
  ShadeOver(c, moon, [&](float x, float y) {
    const float dx = (x - mx) / mr, dy = (y - my) / mr;
    const float nz = std::sqrt(std::fmax(0.0f, 1 - dx * dx - dy * dy));
    const float light = std::fmax(0.0f, -0.55f * dx - 0.45f * dy + 0.7f * nz);
    const float crater = 0.8f + 0.2f * Fbm(x / 9.0f, y / 9.0f, 3, 41);
    return Scale(TColor{0.9f, 0.88f, 0.85f}, light * crater);
  });
  return Resample(c, 512, 256);
}

// The unfolding picture, 1.63:1: mountains at sunset mirrored in a still
// lake, symmetric about the middle line from which the scene opens it. The
// scene opens it after the fading echoes, from a line, so the dusk is lit
// through: the sky's top and the water are violet, not black.
TCanvas PaintMirrorLake() {
  const int w = 1304, h = 800;
  const float horizon = h * 0.5f;
  TCanvas top = MakeCanvas(w, static_cast<int>(horizon));
  const float sunX = w * 0.5f, sunY = horizon - 28, sunR = 64;
  ShadeAll(top, [&](float x, float y, TColor) {
    const float t = y / horizon;
    TColor sky =
        Mix(TColor{0.12f, 0.08f, 0.3f}, TColor{0.45f, 0.16f, 0.5f}, SmoothStep(0, 0.7f, t));
    sky = Mix(sky, TColor{1.0f, 0.45f, 0.15f}, SmoothStep(0.55f, 1.0f, t));
    sky = Add(sky, Scale(TColor{0.9f, 0.9f, 1.0f}, Stars(x, y, 0.06f, 51) * (1 - t) * (1 - t)));
    const float d = std::hypot(x - sunX, y - sunY);
    sky = Add(sky, Scale(TColor{1.0f, 0.6f, 0.25f}, std::exp(-d / 160.0f) * 0.9f));
    if (d < sunR) sky = Mix(sky, TColor{1.0f, 0.95f, 0.7f}, Clamp01(sunR - d));
    // Two ranges of mountains: the far one hazy violet, the near one dark.
    // A valley in the middle lets the sun show between the ranges.
    const float open = std::fabs(x - sunX) / sunX;
    const float far = Ridge(x, horizon - 14, 40 + 210 * open, 230, 61);
    const float near = Ridge(x + 900, horizon, 14 + 190 * open * open, 160, 67);
    if (y > far) sky = Mix(sky, TColor{0.32f, 0.14f, 0.38f}, Clamp01(y - far) * 0.92f);
    if (y > near) {
      const float rim = std::exp(-(y - near) / 3.0f) * 0.8f;
      sky = Mix(sky, TColor{0.14f, 0.07f, 0.2f}, Clamp01(y - near));
      sky = Add(sky, Scale(TColor{1.0f, 0.5f, 0.2f}, rim));
    }
    return sky;
  });
  TCanvas c = MakeCanvas(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (y < horizon) {
        c.At(x, y) = top.At(x, y);
        continue;
      }
      // The reflection: the mirrored row, rippled sideways and darkened.
      const float depth = (y - horizon) / horizon;
      const int my = std::min(top.height - 1, static_cast<int>(2 * horizon - 1 - y));
      const float ripple = std::sin(y * 0.9f + std::sin(y * 0.13f) * 3.0f) * (1.0f + 5.0f * depth);
      const int mx = std::clamp(static_cast<int>(x + ripple), 0, w - 1);
      const float streak = 0.85f + 0.15f * std::sin(y * 2.1f + x * 0.002f);
      TColor water = Scale(Mix(top.At(mx, my), TColor{0.08f, 0.08f, 0.22f}, 0.15f + 0.25f * depth),
                           streak * 0.95f);
      // Glitter on the path of the sun.
      const float path = std::exp(-std::pow((x - sunX) / (50 + 160 * depth), 2.0f));
      const float glint = Hash2(x / 6, y / 2, 77) > 0.8f ? 1.0f : 0.0f;
      water = Add(water, Scale(TColor{1.0f, 0.7f, 0.35f}, path * glint * (0.8f - 0.5f * depth)));
      c.At(x, y) = water;
    }
  }
  return Resample(c, 512, 256);
}

// The rippling picture, shown 4:3: a neon city at night with lit windows,
// searchlights and its reflection. Its many verticals make the sideways
// ripple of the strips easy to follow.
TCanvas PaintNeonCity() {
  const int w = 1024, h = 768;
  const float water = 560;
  TCanvas c = MakeCanvas(w, h);
  ShadeAll(c, [&](float x, float y, TColor) {
    const float t = y / water;
    TColor sky = Mix(TColor{0.02f, 0.0f, 0.06f}, TColor{0.45f, 0.08f, 0.4f}, t * t);
    return Add(sky, Scale(TColor{0.8f, 0.85f, 1.0f}, Stars(x, y, 0.07f, 71) * (1 - t)));
  });
  // The moon and searchlight beams behind the skyline. The strips add the
  // picture twice, so the moon is painted at under half its shown
  // brightness: a lit face with darker seas and a soft terminator, which
  // reads as a moon after the doubling instead of clipping to a disc.
  const float mx = 760, my = 150, mr = 78;
  TMask moon = MakeMask(w, h);
  FillShape(moon, [&](float x, float y) { return SdCircle(x, y, mx, my, mr); });
  AddGlow(c, moon, {0.45f, 0.22f, 0.45f}, 36, 0.45f);
  ShadeOver(c, moon, [&](float x, float y) {
    const float u = (x - mx) / mr, v = (y - my) / mr;
    const float z = std::sqrt(std::fmax(0.0f, 1 - u * u - v * v));
    // Lit from the upper left; the dark side keeps a little earthshine.
    const float light = Clamp01(-0.55f * u - 0.45f * v + 0.7f * z);
    const float seas = SmoothStep(0.5f, 0.7f, Fbm(x / 38.0f, y / 38.0f, 4, 91));
    const float face = (0.12f + 0.88f * light) * (1.0f - 0.35f * seas);
    return Scale(TColor{0.47f, 0.43f, 0.46f}, face);
  });
  ShadeAll(c, [&](float x, float y, TColor cur) {
    if (y > water) return cur;
    const float beams[] = {210, 470, 880};
    const float tilt[] = {-0.18f, 0.07f, 0.22f};
    for (int i = 0; i < 3; ++i) {
      const float bx = beams[i] + (water - y) * tilt[i];
      const float wdt = 4 + (water - y) * 0.05f;
      const float k = std::exp(-std::pow((x - bx) / wdt, 2.0f)) * (0.2f + 0.5f * y / water);
      cur = Add(cur, Scale(TColor{0.4f, 0.8f, 1.0f}, k * 0.6f));
    }
    return cur;
  });
  // Two layers of towers: far violet silhouettes, near dark towers with
  // rows of lit windows.
  for (int layer = 0; layer < 2; ++layer) {
    TMask towers = MakeMask(w, h);
    const uint32_t seed = 80 + layer;
    float x = -20;
    int index = 0;
    std::vector<float> left, right, tops;
    while (x < w) {
      const float width = (layer ? 62 : 40) + Hash2(index, 0, seed) * (layer ? 76 : 60);
      const float height = (layer ? 90 : 170) + Hash2(index, 1, seed) * (layer ? 230 : 240);
      left.push_back(x);
      right.push_back(x + width);
      tops.push_back(water - height);
      x += width + (layer ? 6 : 0) + Hash2(index, 2, seed) * 14;
      ++index;
    }
    for (size_t i = 0; i < left.size(); ++i) {
      const float cx = (left[i] + right[i]) * 0.5f, hw = (right[i] - left[i]) * 0.5f;
      const float hh = (water - tops[i]) * 0.5f;
      FillShape(towers, [&](float px, float py) {
        float d = SdBox(px, py, cx, tops[i] + hh, hw, hh);
        if (i % 3 == 1) d = std::fmin(d, SdSegment(px, py, cx, tops[i], cx, tops[i] - 50, 1.5f));
        return d;
      });
    }
    const TColor body = layer ? TColor{0.03f, 0.02f, 0.07f} : TColor{0.2f, 0.08f, 0.3f};
    PaintOver(c, towers, body);
    if (!layer) continue;
    for (size_t i = 0; i < left.size(); ++i) PaintWindows(c, left[i], right[i], tops[i], water, i);
    // Neon edges on the tops of the near towers.
    TMask neon = MakeMask(w, h);
    for (size_t i = 0; i < left.size(); i += 2) {
      FillShape(neon, [&](float px, float py) {
        return SdSegment(px, py, left[i] + 2, tops[i], right[i] - 2, tops[i], 1.6f);
      });
    }
    PaintGlowing(c, neon, {1.0f, 0.5f, 0.9f}, {1.0f, 0.1f, 0.7f}, 6);
  }
  // The harbour: the city mirrored with wave streaks.
  for (int y = static_cast<int>(water); y < h; ++y) {
    const float depth = (y - water) / (h - water);
    for (int x = 0; x < w; ++x) {
      // Long, low swell: the reflected panes sway as whole columns rather
      // than zigzag, which the strips' own ripple would turn into noise.
      const float wave = std::sin(y * 0.11f + std::sin(y * 0.03f) * 2.0f) * (1.5f + 5 * depth);
      const int mx = std::clamp(static_cast<int>(x + wave), 0, w - 1);
      // Averaged over many rows, so that lit windows smear into streaks.
      const int rows = 14;
      const int my = std::max(rows, static_cast<int>(2 * water - y));
      TColor mirrored{0, 0, 0};
      for (int k = 0; k < rows; ++k) mirrored = Add(mirrored, Scale(c.At(mx, my - k), 1.0f / rows));
      const float streak = 0.65f + 0.35f * std::fabs(std::sin(y * 0.9f));
      c.At(x, y) = Scale(mirrored, streak * (0.6f - 0.35f * depth));
    }
  }
  return Resample(c, 512, 512);
}

// The settling picture, shown 1.69:1: a stepped temple before a great
// sun. Its steps and edges line up as the blocks of strips settle; the
// name sits in the lowest sixth of the picture, which never moves.
TCanvas PaintZiggurat() {
  const int w = 1352, h = 800;
  const float ground = 640, cx = w * 0.5f;
  TCanvas c = MakeCanvas(w, h);
  ShadeAll(c, [&](float x, float y, TColor) {
    if (y >= ground) {
      const float t = (y - ground) / (h - ground);
      return Mix(TColor{0.42f, 0.22f, 0.1f}, TColor{0.08f, 0.03f, 0.02f}, std::sqrt(t));
    }
    const float t = y / ground;
    TColor sky = Mix(TColor{0.02f, 0.05f, 0.14f}, TColor{0.5f, 0.2f, 0.3f}, t * t);
    sky = Mix(sky, TColor{1.0f, 0.55f, 0.2f}, SmoothStep(0.7f, 1.0f, t));
    const float d = std::hypot(x - cx, y - 330);
    if (d < 250) {
      const float band = std::fmod(d, 26.0f) < 4.0f ? 0.82f : 1.0f;
      sky = Scale(Mix(TColor{1.0f, 0.9f, 0.45f}, TColor{1.0f, 0.4f, 0.2f}, d / 250), band);
    }
    sky = Add(sky, Scale(TColor{1.0f, 0.45f, 0.15f},
                         std::exp(-std::fmax(0.0f, d - 250) / 60.0f) * 0.5f * (d >= 250)));
    return Add(sky, Scale(TColor{0.8f, 0.85f, 1.0f}, Stars(x, y, 0.05f, 111) * (1 - t)));
  });
  // Seven steps and a shrine, each step a slab with a lit top edge, a
  // stone face and a shadow under the slab above.
  const int steps = 7;
  const float stepH = 56;
  for (int i = 0; i < steps; ++i) {
    const float hw = 430 - i * 52, top = ground - (i + 1) * stepH;
    for (int y = static_cast<int>(top); y < static_cast<int>(top + stepH); ++y) {
      for (int x = static_cast<int>(cx - hw); x < static_cast<int>(cx + hw); ++x) {
        const float u = (x + 0.5f - cx) / hw, v = (y + 0.5f - top) / stepH;
        TColor stone = Mix(TColor{0.78f, 0.5f, 0.3f}, TColor{0.45f, 0.25f, 0.15f}, v);
        stone = Scale(stone, 0.85f + 0.25f * Fbm(x / 14.0f, y / 14.0f, 3, 121));
        if (v < 0.07f)
          stone = TColor{1.0f, 0.78f, 0.5f};
        else if (v < 0.25f && std::fabs(u) > (hw - 52) / hw)
          stone = Scale(stone, 0.55f);
        const float blocks = std::fmod(x - cx + 1000, 64.0f);
        if (blocks < 2.5f && v > 0.07f) stone = Scale(stone, 0.6f);
        if (std::fabs(u) > 0.985f) stone = Scale(stone, 0.5f);
        c.At(x, y) = stone;
      }
    }
  }
  // The central stair and the shrine on top.
  const float stairTop = ground - steps * stepH;
  for (int y = static_cast<int>(stairTop); y < static_cast<int>(ground); ++y) {
    for (int x = static_cast<int>(cx - 44); x < static_cast<int>(cx + 44); ++x) {
      const float tread = std::fmod(y - stairTop, 14.0f);
      const float wide = 44 - (ground - y) * 0.05f;
      if (std::fabs(x + 0.5f - cx) > wide) continue;
      c.At(x, y) = tread < 3 ? TColor{0.95f, 0.72f, 0.45f} : TColor{0.5f, 0.3f, 0.18f};
    }
  }
  TMask shrine = MakeMask(w, h);
  FillShape(shrine, [&](float x, float y) {
    const float body = SdBox(x, y, cx, stairTop - 48, 80, 48);
    const float door = -SdBox(x, y, cx, stairTop - 30, 18, 30);
    return std::fmax(body, door);
  });
  ShadeOver(c, shrine, [&](float, float y) {
    return Mix(TColor{0.9f, 0.62f, 0.38f}, TColor{0.5f, 0.3f, 0.18f}, (y - (stairTop - 96)) / 96);
  });
  TMask roof = MakeMask(w, h);
  FillShape(roof, [&](float x, float y) { return SdBox(x, y, cx, stairTop - 100, 98, 7); });
  PaintOver(c, roof, {1.0f, 0.8f, 0.5f});

  TMask name = MakeMask(w, h);
  const TTextStyle style{kSerifBold, 64, 0.55f};
  DrawText(name, style, "VANTORIL", static_cast<int>(cx) + 18, 730);
  AddGlow(c, name, {1.0f, 0.5f, 0.1f}, 10, 0.7f);
  PaintOver(c, name, {1.0f, 0.85f, 0.55f});
  StoreForTwoStrips(c, 1.3f);
  return Resample(c, 512, 512);
}
