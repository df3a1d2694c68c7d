// Temporary: replaced by the scene sources.
#include "scenes/scenes.h"
void OpeningTitle() {}
void EchoImage1() {}
void EchoImage2() {}
void UnfoldImage() {}
void PointTunnel() {}
void WavySlices() {}
void TileGrid() {}
void ModelShowcase() {}
void SettlingSlices() {}
void ClosingTitle() {}
void PanBanner() {}
void SpriteRing() {}
