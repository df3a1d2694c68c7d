// Temporary: replaced by the particle, lens and colour-split code.
#include "geometry/particles.h"
#include "scenes/scenes.h"
void SeedParticles() {}
void ParticleMorph() {}
void ColorSplit() {}
void LensBubbles() {}
