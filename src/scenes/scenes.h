// Every scene function of the timeline (src/demo/timeline.h gives the order).
// Each reads DemoTime, returns at once outside its window (scenes/windows.h),
// and otherwise draws inside its own model-view push with its own camera.
// Each sets the GL state it draws with (the card scenes through
// scenes/scene_state.h) and leaves it for the next scene, which sets its own.
// Left behind on purpose, beyond that:
// - PointTunnel sets the point size to 2 and never sets it back; no other
//   scene draws points.
// - SpriteRing ends with texturing off and the depth test and lighting on,
//   the state each frame starts its scenes with.
// - TileGrid switches its tile's filters to GL_NEAREST and back to GL_LINEAR,
//   and ColorSplit sets its picture's filters to GL_LINEAR after its pop:
//   both leave the texture as it was loaded (src/assets/textures.h).
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
