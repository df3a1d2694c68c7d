// Titles, banner, particle sprite and trail card. All of them are added to
// the frame (GL_ONE, GL_ONE), so black means "nothing" and every picture
// fades to pure black well before its edges.
#include <cmath>

#include "lettering.h"
#include "pictures.h"

void PaintGlowing(TCanvas& canvas, const TMask& mask, TColor core, TColor glow, float sigma) {
  AddGlow(canvas, mask, Scale(glow, 0.55f), sigma * 4.0f, 1.0f);
  AddGlow(canvas, mask, glow, sigma, 1.0f);
  PaintAdd(canvas, mask, core);
}

namespace {

// A thin horizontal flare through (cx, cy): Gaussian across, exponential
// falloff along, `reach` pixels to 1/e.
void AddFlare(TCanvas& canvas, float cx, float cy, float reach, float thick, TColor c) {
  ShadeAll(canvas, [&](float x, float y, TColor cur) {
    const float dy = (y - cy) / thick;
    const float k = std::exp(-dy * dy * 0.5f) * std::exp(-std::fabs(x - cx) / reach);
    return Add(cur, Scale(c, k));
  });
}

// A four-pointed sparkle of radius r.
void AddSparkle(TCanvas& canvas, float cx, float cy, float r, TColor c) {
  const int x0 = static_cast<int>(cx - r), x1 = static_cast<int>(cx + r);
  const int y0 = static_cast<int>(cy - r), y1 = static_cast<int>(cy + r);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) continue;
      const float dx = std::fabs(x + 0.5f - cx) / r, dy = std::fabs(y + 0.5f - cy) / r;
      const float ray = std::exp(-dy * 40.0f) * (1 - dx) + std::exp(-dx * 40.0f) * (1 - dy);
      const float core = std::exp(-(dx * dx + dy * dy) * 30.0f);
      const float k = std::fmax(0.0f, ray) * 0.8f + core;
      canvas.At(x, y) = Add(canvas.At(x, y), Scale(c, k));
    }
  }
}

// Fades the canvas to black towards its border: full inside `inner`
// (fraction of the half-size), black at `outer`.
void FadeBorder(TCanvas& canvas, float inner, float outer) {
  const float hw = canvas.width * 0.5f, hh = canvas.height * 0.5f;
  ShadeAll(canvas, [&](float x, float y, TColor cur) {
    const float e = std::fmax(std::fabs(x - hw) / hw, std::fabs(y - hh) / hh);
    return Scale(cur, 1.0f - SmoothStep(inner, outer, e));
  });
}

}  // namespace

// The opening card is shown 1.125:1 and cut slightly at top and bottom, so
// it is designed on a 1152 x 1024 canvas with everything inside the middle
// 90% of the height, then squeezed to 512 x 512.
TCanvas PaintOpeningLogo() {
  TCanvas c = MakeCanvas(1152, 1024);
  const float cx = 576, cy = 460;
  TMask ring = MakeMask(c.width, c.height);
  FillShape(ring, [&](float x, float y) { return std::fabs(SdCircle(x, y, cx, cy, 330)) - 5.0f; });
  PaintGlowing(c, ring, {0.55f, 0.85f, 1.0f}, {0.1f, 0.45f, 1.0f}, 10);
  TMask ring2 = MakeMask(c.width, c.height);
  FillShape(ring2, [&](float x, float y) { return std::fabs(SdCircle(x, y, cx, cy, 358)) - 1.5f; });
  PaintAdd(c, ring2, {0.2f, 0.45f, 0.9f});

  TMask title = MakeMask(c.width, c.height);
  const TTextStyle big{kSansBold, 300, 0.04f};
  DrawText(title, big, "ZUW", static_cast<int>(cx), static_cast<int>(cy));
  PaintGlowing(c, title, {1.0f, 1.0f, 1.0f}, {0.15f, 0.55f, 1.0f}, 14);

  TMask sub = MakeMask(c.width, c.height);
  const TTextStyle small{kSans, 58, 0.55f};
  DrawText(sub, small, "PRESENTS", static_cast<int>(cx), 900);
  PaintGlowing(c, sub, {0.75f, 0.9f, 1.0f}, {0.1f, 0.35f, 0.9f}, 6);

  AddFlare(c, cx, cy, 260, 2.5f, {0.5f, 0.75f, 1.0f});
  AddSparkle(c, cx + 233, cy - 233, 46, {0.7f, 0.9f, 1.0f});
  AddSparkle(c, cx - 300, cy + 140, 28, {0.5f, 0.75f, 1.0f});
  FadeBorder(c, 0.9f, 0.99f);
  return Resample(c, 512, 512);
}

// The closing card: the title in a warm gold, the subtitle spaced out
// between two hairlines.
TCanvas PaintClosingLogo() {
  TCanvas c = MakeCanvas(1152, 1024);
  const float cx = 576;
  ShadeAll(c, [&](float x, float y, TColor) {
    const float r = std::hypot((x - cx) / 520.0f, (y - 470) / 330.0f);
    return Scale(TColor{0.35f, 0.12f, 0.02f}, std::exp(-r * r * 2.5f) * 0.55f);
  });
  TMask title = MakeMask(c.width, c.height);
  const TTextStyle big{kSerifBold, 250, 0.01f};
  DrawText(title, big, "Kelvane", static_cast<int>(cx), 420);
  AddGlow(c, title, {1.0f, 0.45f, 0.08f}, 40, 0.9f);
  AddGlow(c, title, {1.0f, 0.6f, 0.15f}, 9, 1.0f);
  ShadeOver(c, title, [&](float, float y) {
    return Mix(TColor{1.0f, 0.97f, 0.8f}, TColor{1.0f, 0.62f, 0.12f}, SmoothStep(330, 520, y));
  });

  TMask sub = MakeMask(c.width, c.height);
  const TTextStyle small{kSans, 84, 0.62f};
  const TMask word = RenderText(small, "DROSSIM");
  StampMask(sub, word, static_cast<int>(cx) + 26, 640);
  const float half = word.width * 0.5f + 70;
  FillShape(sub, [&](float x, float y) {
    return std::fmin(SdSegment(x, y, 120, 640, cx - half, 640, 1.6f),
                     SdSegment(x, y, cx + half, 640, 1032, 640, 1.6f));
  });
  PaintGlowing(c, sub, {1.0f, 0.85f, 0.6f}, {0.9f, 0.4f, 0.05f}, 7);

  TMask foot = MakeMask(c.width, c.height);
  const TTextStyle tiny{kSans, 34, 0.5f};
  DrawText(foot, tiny, "THANK YOU FOR WATCHING", static_cast<int>(cx), 860);
  PaintGlowing(c, foot, {0.6f, 0.45f, 0.3f}, {0.4f, 0.15f, 0.02f}, 5);
  AddSparkle(c, 905, 272, 40, {1.0f, 0.85f, 0.55f});
  FadeBorder(c, 0.9f, 0.99f);
  return Resample(c, 512, 512);
}

// The group's banner, 4:1: a slanted "ZUW" in a magenta-to-amber gradient
// with speed lines trailing off to both sides, on a ribbon of violet light.
TCanvas PaintGroupBanner() {
  TCanvas c = MakeCanvas(2048, 512);
  const float cx = 1024, cy = 256;
  TMask lines = MakeMask(c.width, c.height);
  const float rows[] = {150, 196, 236, 276, 318, 362};
  for (int i = 0; i < 6; ++i) {
    const float len = 430 + 110 * ((i * 5) % 4);
    const float y = rows[i];
    FillShape(lines, [&](float x, float yy) {
      const float left = SdSegment(x, yy, cx - 420 - len, y, cx - 400, y, 3.0f);
      const float right = SdSegment(x, yy, cx + 400, y, cx + 420 + len, y, 3.0f);
      return std::fmin(left, right);
    });
  }
  ShadeAll(c, [&](float x, float y, TColor cur) {
    const float m = lines.At(static_cast<int>(x), static_cast<int>(y));
    const float along = std::fabs(x - cx);
    const float fade = 1.0f - SmoothStep(420, 940, along);
    return Add(cur, Scale(Mix(TColor{1.0f, 0.25f, 0.7f}, TColor{1.0f, 0.65f, 0.2f}, y / 512.0f),
                          m * fade));
  });
  BlurCanvas(c, 1.0f);
  TMask glowLines = lines;
  BlurMask(glowLines, 12);
  ShadeAll(c, [&](float x, float y, TColor cur) {
    const float k = glowLines.At(static_cast<int>(x), static_cast<int>(y)) *
                    (1.0f - SmoothStep(420, 940, std::fabs(x - cx)));
    return Add(cur, Scale(TColor{0.6f, 0.1f, 0.5f}, k));
  });

  // A ribbon of violet light the length of the banner behind the word and
  // the lines: the banner enters the frame end first, over the dark point
  // tunnel, and lights the frame before its word arrives.
  ShadeAll(c, [&](float x, float y, TColor cur) {
    const float across = (y - cy) / 130.0f;
    const float along = 1.0f - SmoothStep(880, 1010, std::fabs(x - cx));
    return Add(cur, Scale(TColor{0.5f, 0.12f, 0.56f}, std::exp(-across * across) * along));
  });

  TMask word = MakeMask(c.width, c.height);
  TTextStyle big;
  big.face = kSansBold;
  big.size = 400;
  big.tracking = 0.06f;
  big.shear = 0.22f;
  DrawText(word, big, "ZUW", static_cast<int>(cx), static_cast<int>(cy));
  AddGlow(c, word, {0.9f, 0.1f, 0.6f}, 44, 0.8f);
  AddGlow(c, word, {1.0f, 0.35f, 0.55f}, 10, 0.9f);
  ShadeOver(c, word, [&](float, float y) {
    const float t = SmoothStep(110, 400, y);
    TColor col = Mix(TColor{1.0f, 0.55f, 0.95f}, TColor{1.0f, 0.7f, 0.25f}, t);
    // A bright chrome line across the letters, just above the middle.
    const float band = std::exp(-std::pow((y - 236) / 9.0f, 2.0f));
    return Add(col, Scale(TColor{1, 1, 1}, band));
  });
  AddFlare(c, cx, 236, 330, 2.0f, {1.0f, 0.7f, 0.9f});
  FadeBorder(c, 0.93f, 0.995f);
  return Resample(c, 1024, 256);
}

// The particle sprite: a small bright core in a faint halo, black well
// before the edge. Two thousand of them overlap about twenty deep where the
// cloud is densest, so each adds only a little light on average.
TCanvas PaintParticleBlob() {
  TCanvas c = MakeCanvas(64, 64);
  ShadeAll(c, [&](float x, float y, TColor) {
    const float r = std::hypot(x - 32.0f, y - 32.0f) / 32.0f;
    const float halo = std::exp(-r * r * 6.0f) * 0.07f;
    const float core = std::exp(-r * r * 38.0f) * 0.85f;
    const float k = (halo + core) * (1.0f - SmoothStep(0.7f, 0.97f, r));
    return TColor{k, k * 0.97f, k * 0.92f};
  });
  return c;
}

// The trail card, 2:1 in the lower left of the particle scene: a comet
// streak with its head at the right and a small caption above it.
TCanvas PaintTrailCaption() {
  TCanvas c = MakeCanvas(1024, 512);
  const float headX = 860, headY = 330;
  ShadeAll(c, [&](float x, float y, TColor) {
    const float t = Clamp01((x - 60) / (headX - 60));  // 0 at the tail, 1 at the head
    const float thick = 2.0f + 16.0f * t * t;
    const float dy = (y - headY) / thick;
    float k = x < headX ? std::exp(-dy * dy * 0.5f) * t * t * t : 0.0f;
    const float r = std::hypot((x - headX) / 38.0f, (y - headY) / 38.0f);
    k += std::exp(-r * r * 0.6f) * 1.4f;
    return Scale(TColor{0.85f, 0.92f, 1.0f}, k);
  });
  AddSparkle(c, headX, headY, 120, {0.8f, 0.9f, 1.0f});
  TMask caption = MakeMask(c.width, c.height);
  const TTextStyle style{kSansBold, 64, 0.32f};
  DrawText(caption, style, "2000 PARTICLES", 470, 200);
  PaintGlowing(c, caption, {0.9f, 0.95f, 1.0f}, {0.3f, 0.5f, 1.0f}, 6);
  FadeBorder(c, 0.9f, 0.99f);
  return Resample(c, 256, 128);
}
