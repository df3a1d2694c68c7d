// The pictures of the show's second half: the colour split's rings, the
// model showcase's studio backdrop and the lens scene's graph paper. Each is
// designed on a canvas with the aspect its scene shows it at, then
// resampled to its power-of-two texture size.
#include <algorithm>
#include <cmath>

#include "lettering.h"
#include "pictures.h"

namespace {

constexpr float kPi = 3.14159265f;

}  // namespace

// The colour-split picture, made to be split: thin orange rings and
// pale violet spokes over a deep blue ground. The scene adds it three
// times, tinted red, green and blue, and moves the layers apart; the lines
// then break into red, blue and violet fringes. The green channel is low
// everywhere and the ground is never black, so a fringe of the green layer
// falls on blue and stays blue rather than green. Mid-dark, its ground
// with little red, so that it stays unclipped where it is added over the
// tile wall's warm duck.
TCanvas PaintSplitRings() {
  const int size = 1024;
  TCanvas c = MakeCanvas(size, size);
  const float cx = size * 0.5f, cy = size * 0.5f;
  ShadeAll(c, [&](float x, float y, TColor) {
    const float dx = x - cx, dy = y - cy;
    const float r = std::hypot(dx, dy);
    const float a = std::atan2(dy, dx);
    TColor col = Mix(TColor{0.16f, 0.04f, 0.44f}, TColor{0.05f, 0.03f, 0.3f}, Clamp01(r / 620));
    // Rings every 56 pixels, each a little wavy, with a wide faint halo.
    const float wobble = 5.0f * std::sin(6 * a + r * 0.02f);
    const float ring = std::fabs(std::fmod(r + wobble + 28, 56.0f) - 28);
    const TColor orange{0.56f, 0.22f, 0.04f};
    col = Add(col, Scale(orange, 1 - SmoothStep(1.0f, 3.0f, ring)));
    col = Add(col, Scale(orange, 0.18f * std::exp(-ring * ring / 60)));
    // Twenty-four spokes that twist as they leave the middle.
    const float spokes = 24;
    const float turn = (a + r * 0.0016f) * spokes / (2 * kPi);
    const float across = std::fabs(turn - std::round(turn)) * (2 * kPi * r / spokes);
    const float spoke = (1 - SmoothStep(0.8f, 2.5f, across)) * SmoothStep(60, 140, r);
    col = Add(col, Scale(TColor{0.3f, 0.2f, 0.58f}, spoke));
    // A warm eye in the middle with a blue ring around it.
    col = Add(col, Scale(TColor{0.55f, 0.22f, 0.05f}, std::exp(-r * r / (2 * 42.0f * 42))));
    col = Add(col, Scale(TColor{0.2f, 0.12f, 0.5f}, std::exp(-std::pow((r - 96) / 7, 2.0f))));
    return Scale(col, 0.85f);
  });
  return Resample(c, 512, 512);
}

// The model backdrop, 1.43:1: a studio lit from above, a back wall with
// a warm spotlight and faint concentric rings, a bright horizon and a floor
// grid in perspective. It is mid-dark indigo and lavender with gold light,
// the colours of the trumpets that turn over it, and holds no green, so
// that the pure green, red and blue wireframes stand apart from it. Its
// sides darken towards the card's edges, which the camera pans across.
//
// The three models turn in front of the wall at the card's middle height,
// about 95 pixels either side of x = 232 (the blue cube), 572 (the red
// sphere) and 912 (the green duck). They pass before a band of deep velvet,
// dark enough that the red and the green wires stand out from it without
// being near black, and the cube before a pale gold light box set into the
// band: pure blue only reads against light.
TCanvas PaintStudioBackdrop() {
  const int w = 1144, h = 800;
  const float horizon = 560, cx = w * 0.5f;
  const float bandTop = 262, bandBottom = 538;
  TCanvas c = MakeCanvas(w, h);
  ShadeAll(c, [&](float x, float y, TColor) {
    TColor col;
    if (y < horizon) {
      const float t = y / horizon;
      col = Mix(TColor{0.12f, 0.02f, 0.3f}, TColor{0.4f, 0.16f, 0.58f}, t * t);
      // The spotlight on the wall above the models, and its rings.
      const float d = std::hypot(x - cx, (y - 250) * 1.2f);
      col = Add(col, Scale(TColor{0.3f, 0.16f, 0.02f}, std::exp(-d * d / (2 * 260.0f * 260))));
      const float ring = std::fabs(std::fmod(d, 90.0f) - 45.0f);
      col = Add(col, Scale(TColor{0.07f, 0.05f, 0.1f},
                           std::exp(-(45 - ring) * (45 - ring) / 3.0f) * (d < 460)));
      // The velvet band, in soft vertical folds, with gold trim above and below.
      const float band =
          SmoothStep(bandTop - 6, bandTop, y) * (1 - SmoothStep(bandBottom, bandBottom + 6, y));
      const TColor velvet = Scale(TColor{0.16f, 0.07f, 0.38f}, 0.85f + 0.15f * std::sin(x * 0.11f));
      col = Mix(col, velvet, band);
      const float trim = std::fmin(std::fabs(y - bandTop + 3), std::fabs(y - bandBottom - 3));
      col = Add(col, Scale(TColor{0.5f, 0.34f, 0.12f}, std::exp(-trim * trim / 2.0f)));
    } else {
      const float d = (y - horizon) / (h - horizon);
      const float z = 1.0f / (d + 0.03f);
      const float gx = (x - cx) * z / 110.0f;
      const float lx = std::fabs(gx - std::round(gx)) / (z * 0.015f);
      const float lz = std::fabs(z - std::round(z)) / (z * 0.05f + 0.01f);
      const float line = std::fmax(std::exp(-lx * lx), std::exp(-lz * lz));
      col = Mix(TColor{0.36f, 0.16f, 0.48f}, TColor{0.15f, 0.04f, 0.25f}, std::sqrt(d));
      col = Add(col, Scale(TColor{0.2f, 0.14f, 0.06f}, line * (0.4f + 0.6f * d)));
      // A pool of light on the floor under the models.
      const float pool = std::hypot((x - cx) / 430.0f, (y - 650) / 90.0f);
      col = Add(col, Scale(TColor{0.2f, 0.11f, 0.03f}, std::exp(-pool * pool * 1.5f)));
    }
    // A bright band along the horizon where the floor meets the wall.
    col = Add(col, Scale(TColor{0.3f, 0.2f, 0.32f}, std::exp(-std::fabs(y - horizon) / 14.0f)));
    // Vignette.
    const float vx = (x - cx) / cx, vy = (y - h * 0.5f) / (h * 0.5f);
    const float side = 0.7f + 0.3f * SmoothStep(0.0f, 0.1f * w, std::fmin(x, w - x));
    return Scale(col, side * (1.0f - 0.4f * SmoothStep(0.4f, 1.4f, vx * vx + vy * vy)));
  });
  // The light box behind the cube: warm white at its middle, gold at its
  // rim, in a faint glow.
  const float bx = 232, by = 400, bw = 150, bh = 128, corner = 22;
  TMask box = MakeMask(w, h);
  FillShape(box, [&](float x, float y) {
    return SdBox(x, y, bx, by, bw - corner, bh - corner) - corner;
  });
  AddGlow(c, box, {0.45f, 0.28f, 0.1f}, 24, 0.6f);
  ShadeOver(c, box, [&](float x, float y) {
    const float r = std::hypot((x - bx) / bw, (y - by) / bh);
    return Mix(TColor{0.96f, 0.74f, 0.52f}, TColor{0.78f, 0.5f, 0.32f}, SmoothStep(0.2f, 1.2f, r));
  });
  TMask text = MakeMask(w, h);
  const TTextStyle style{kMono, 20, 0.2f};
  DrawText(text, style, "ZUW / KELVANE", 150, 40);
  PaintOver(c, text, {0.4f, 0.32f, 0.48f});
  return Resample(c, 512, 512);
}

// The lens backdrop, 1.43:1: a night-blue blueprint sheet with a glowing
// grid, neon figures, a wave and the name. Its straight lines show every
// bend of the lenses; the sheet stays dark, like the scenes either side.
TCanvas PaintGraphPaper() {
  const int w = 1144, h = 800;
  TCanvas c = MakeCanvas(w, h);
  // Distance in pixels from the nearest line of a grid of the given pitch.
  auto gridDistance = [](float v, float pitch) {
    return std::fabs(std::fmod(v, pitch) - pitch * 0.5f) - pitch * 0.5f;
  };
  ShadeAll(c, [&](float x, float y, TColor) {
    const float vx = (x - w * 0.5f) / (w * 0.5f), vy = (y - h * 0.5f) / (h * 0.5f);
    TColor sheet = Mix(TColor{0.05f, 0.04f, 0.16f}, TColor{0.12f, 0.04f, 0.2f}, y / h);
    sheet = Scale(sheet, (0.8f + 0.35f * Fbm(x / 60, y / 60, 3, 141)) *
                             (1.0f - 0.4f * SmoothStep(0.3f, 1.6f, vx * vx + vy * vy)));
    const float fine = std::fmin(-gridDistance(x, 20), -gridDistance(y, 20));
    sheet = Add(sheet, Scale(TColor{0.08f, 0.16f, 0.38f}, 1 - SmoothStep(0.4f, 1.4f, fine)));
    const float major = std::fmin(-gridDistance(x, 100), -gridDistance(y, 100));
    sheet = Add(sheet, Scale(TColor{0.1f, 0.35f, 0.75f}, 1 - SmoothStep(0.8f, 2.0f, major)));
    return Add(sheet, Scale(TColor{0.05f, 0.15f, 0.35f}, std::exp(-major * major / 40.0f)));
  });
  TMask wave = MakeMask(w, h);
  for (int i = 0; i < 220; ++i) {
    const float x0 = i * 5.3f, x1 = (i + 1) * 5.3f;
    const float y0 = 600 + 70 * std::sin(x0 / 70.0f), y1 = 600 + 70 * std::sin(x1 / 70.0f);
    FillShape(wave, [&](float x, float y) {
      return std::fabs(x - x0) > 12 ? 99.0f : SdSegment(x, y, x0, y0, x1, y1, 2.5f);
    });
  }
  TMask circle = MakeMask(w, h), triangle = MakeMask(w, h), square = MakeMask(w, h);
  FillShape(circle, [&](float x, float y) { return std::fabs(SdCircle(x, y, 240, 210, 110)) - 3; });
  FillShape(square, [&](float x, float y) { return std::fabs(SdBox(x, y, 900, 200, 90, 90)) - 3; });
  FillShape(triangle, [&](float x, float y) {
    return std::fmin(
        std::fmin(SdSegment(x, y, 560, 90, 470, 250, 3), SdSegment(x, y, 470, 250, 650, 250, 3)),
        SdSegment(x, y, 650, 250, 560, 90, 3));
  });
  TMask title = MakeMask(w, h);
  const TTextStyle big{kSerifBold, 150, 0.06f};
  DrawText(title, big, "KELVANE", static_cast<int>(w * 0.5f), 420);
  PaintGlowing(c, wave, {0.5f, 1.0f, 0.6f}, {0.05f, 0.6f, 0.3f}, 5);
  PaintGlowing(c, circle, {1.0f, 0.6f, 0.95f}, {0.8f, 0.1f, 0.7f}, 5);
  PaintGlowing(c, triangle, {1.0f, 0.8f, 0.45f}, {0.9f, 0.4f, 0.05f}, 5);
  PaintGlowing(c, square, {0.6f, 0.95f, 1.0f}, {0.05f, 0.5f, 0.9f}, 5);
  AddGlow(c, title, {0.9f, 0.1f, 0.45f}, 14, 0.9f);
  ShadeOver(c, title, [&](float, float y) {
    return Mix(TColor{1.0f, 0.55f, 0.8f}, TColor{0.85f, 0.15f, 0.4f}, SmoothStep(360, 470, y));
  });
  return Resample(c, 1024, 512);
}
