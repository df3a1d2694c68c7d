// The sixteen pictures of the asset pack, one painter per file. Each returns
// the finished picture at its texture size (power-of-two sides, width a
// multiple of 4). The painters are pure arithmetic and deterministic.
#pragma once

#include "raster.h"

// Titles and glows, drawn additively on black (pictures_titles.cpp).
TCanvas PaintOpeningLogo();   // log2.bmp
TCanvas PaintClosingLogo();   // kel.bmp
TCanvas PaintGroupBanner();   // log1.bmp
TCanvas PaintParticleBlob();  // blob2.bmp
TCanvas PaintTrailCaption();  // trail.bmp

// Scene pictures (pictures_scenes.cpp).
TCanvas PaintSynthSun();        // image8.bmp
TCanvas PaintRingedPlanet();    // image10.bmp
TCanvas PaintMirrorLake();      // image3.bmp
TCanvas PaintNeonCity();        // mortak.bmp
TCanvas PaintZiggurat();        // vantoril.bmp
TCanvas PaintSplitRings();      // spheremap.bmp
TCanvas PaintStudioBackdrop();  // image6.bmp
TCanvas PaintGraphPaper();      // image11.bmp

// Pixel art and the sprite (pictures_sprites.cpp).
TCanvas PaintPixelDuckTile();  // image4.bmp
TCanvas PaintTrumpet();        // trumpet.bmp
TCanvas PaintTrumpetAlpha();   // trumpetalpha.bmp

// Per-pixel painting: shade(x, y, current) returns the new colour of the
// pixel whose centre is (x, y).
template <typename TShade>
void ShadeAll(TCanvas& canvas, TShade shade) {
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      TColor& c = canvas.At(x, y);
      c = shade(x + 0.5f, y + 0.5f, c);
    }
  }
}

// Lettering that glows: a core colour through the mask plus two soft halos.
void PaintGlowing(TCanvas& canvas, const TMask& mask, TColor core, TColor glow, float sigma);
