// How the card scenes of this folder open (not part of the folder's public
// header). A scene's closing pop restores only the model-view matrix: the
// state set here stays set until the next scene or frame sets its own.
#pragma once

#include "platform/graphics/gl.h"

// Leaves set: depth test off, blending on (factors untouched), lighting off,
// current colour (1, 1, 1, 1), the slot's texture bound to GL_TEXTURE_2D and
// texturing on. The matrix is untouched.
void SetCardState(int slot);

// Pushes the model-view matrix and loads the identity, then SetCardState(slot),
// then the blend factors (source, destination), then the camera: gluLookAt
// from (0, 0, eyeZ) at the origin with y up. Leaves set: all of
// SetCardState's state, the blend factors and one model-view push holding the
// camera; the caller draws and pops it.
void BeginCardScene(int slot, GLenum source, GLenum destination, double eyeZ);

// The same opening in the order the particles, the colour split and the lens
// scene make their calls: blend factors straight after blending is turned on,
// and the current colour left alone (each sets its own). Leaves set: depth
// test off, blending on with (source, destination), lighting off, the slot's
// texture bound, texturing on, and one model-view push holding the camera at
// (0, 0, eyeZ); the caller pops it.
void BeginTexturedScene(int slot, GLenum source, GLenum destination, double eyeZ);
