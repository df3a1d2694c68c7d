// The opening every scene of this folder shares (not part of the folder's
// public headers).
#pragma once

#include "platform/gl.h"

// Pushes the model-view matrix and loads the identity, then sets depth test
// off, blending on with the given factors, lighting off, the slot's texture
// bound and texturing on, and places the camera at (0, 0, eyeZ) looking at
// the origin with y up. The caller pops the matrix.
void BeginTexturedScene(int slot, GLenum source, GLenum destination, double eyeZ);
