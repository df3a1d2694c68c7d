// Every scene function of the timeline (src/demo/timeline.h gives the order).
// Each reads DemoTime, returns at once outside its window (scenes/windows.h),
// and otherwise draws inside its own model-view push with its own camera.
#pragma once

void OpeningTitle();
void EchoImage1();
void EchoImage2();
void UnfoldImage();
void PointTunnel();
void WavySlices();
void ParticleMorph();
void TileGrid();
void ColorSplit();
void ModelShowcase();
void SettlingSlices();
void LensBubbles();
void ClosingTitle();
void PanBanner();
void SpriteRing();  // no window test of its own: the timeline tests it

// The particle jitter of the frame at demo time d: two draws from the shared
// generator for each particle inside the particles' window, none outside.
// ParticleMorph reads the jitter taken last; no scene draws from the
// generator itself.
void TakeParticleJitter(double d);

// The unit card: one GL_QUADS quad with corners (-1,-1,0), (1,-1,0), (1,1,0),
// (-1,1,0) and texture coordinates (0,0), (1,0), (1,1), (0,1) at them.
void DrawUnitCard();
