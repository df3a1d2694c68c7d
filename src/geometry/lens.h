// The lens disc: a flat disc whose texture coordinates come from bent rays
// cast from a virtual glass dome onto a plane behind it. The scene that
// draws two of them over a picture, LensBubbles, is declared in
// scenes/scenes.h.
#pragma once

// Rings from rim to top and segments around: 20 x 50 = 1000 quads.
constexpr int kLensRings = 20;
constexpr int kLensSegments = 50;

// Emits one GL_QUADS primitive of the unit disc in the plane z = 0 (texture
// coordinate, normal, vertex at every corner), whose centre shows texture
// coordinate (cu, cv) and whose rim shows (cu - 0.345 sin a, cv + 0.345 cos a)
// at the rim point (sin a, cos a). Binds nothing and sets no other state.
void DrawLens(double cu, double cv);
