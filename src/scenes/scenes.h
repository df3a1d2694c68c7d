// Every scene function of the timeline. Each reads DemoTime, returns at once
// outside its scene window, and otherwise draws inside its own model-view
// push with its own camera.
#pragma once

void OpeningTitle();    // row 1
void EchoImage1();      // row 2
void EchoImage2();      // row 3
void UnfoldImage();     // row 4
void PointTunnel();     // row 5
void WavySlices();      // row 6
void ParticleMorph();   // row 7
void TileGrid();        // row 8
void ColorSplit();      // row 9
void ModelShowcase();   // rows 10 and 12
void SettlingSlices();  // row 11
void LensBubbles();     // row 13
void ClosingTitle();    // row 14
void PanBanner();       // row 15
void SpriteRing();      // row 16: no window test of its own

// The draws ParticleMorph takes from the shared generator at DemoTime (two
// for each particle inside its window, none outside), without drawing. The
// particles are the only scene that draws from the generator.
void SkipParticleMorph();

// The unit card: one GL_QUADS quad with corners (-1,-1,0), (1,-1,0), (1,1,0),
// (-1,1,0) and texture coordinates (0,0), (1,0), (1,1), (0,1) at them.
void DrawUnitCard();
