// Helpers for the scene tests: textures of the test's own in the table's
// slots (put back afterwards), a clean frame with the frame driver's base
// state, and GL state read back from the context.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/textures.h"
#include "demo/demo.h"
#include "platform/gl.h"
#include "rig.h"

// A texture made by the test, installed in one slot for the life of the
// object; the slot's previous name is put back and the texture deleted on
// destruction. Pixels are RGBA, bottom row first, as GL takes them.
class TSlotTexture {
 public:
  TSlotTexture(int slot, int width, int height, const std::vector<uint8_t>& rgba,
               GLint filter = GL_LINEAR)
      : slot_(slot), previous_(TextureSlot(Textures, slot)) {
    glGenTextures(1, &name_);
    glBindTexture(GL_TEXTURE_2D, name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    TextureSlot(Textures, slot_) = name_;
  }
  // One uniform texel.
  TSlotTexture(int slot, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
      : TSlotTexture(slot, 1, 1, {r, g, b, a}) {}
  ~TSlotTexture() {
    TextureSlot(Textures, slot_) = previous_;
    glDeleteTextures(1, &name_);
  }
  TSlotTexture(const TSlotTexture&) = delete;
  TSlotTexture& operator=(const TSlotTexture&) = delete;
  GLuint name() const { return name_; }

 private:
  int slot_;
  uint32_t previous_;
  GLuint name_ = 0;
};

// The state every frame's scenes start from (depth test and lighting on,
// fill polygons, white), plus leftovers a careless scene might rely on:
// blending and texturing off, texture 0 bound.
inline void SetBaseState() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glPointSize(1);
  glColor4f(1, 1, 1, 1);
}

inline void ClearFrame(float grey = 0.0f) {
  glClearColor(grey, grey, grey, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

inline GLint ModelViewDepth() {
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  return depth;
}

// Calls one scene at demo time d on a frame cleared to `grey`, from the base
// state; checks that the scene leaves the matrix stack as it found it.
inline std::vector<uint8_t> RunScene(void (*scene)(), double d, float grey = 0.0f) {
  ClearFrame(grey);
  SetBaseState();
  DemoTime = d;
  const GLint depth = ModelViewDepth();
  scene();
  EXPECT_EQ(ModelViewDepth(), depth) << "at D = " << d;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "at D = " << d;
  return ReadFramePixels();
}

inline GLint GetInt(GLenum what) {
  GLint v[4] = {};
  glGetIntegerv(what, v);
  return v[0];
}

inline std::array<float, 4> CurrentColour() {
  std::array<float, 4> c{};
  glGetFloatv(GL_CURRENT_COLOR, c.data());
  return c;
}

inline std::array<GLint, 2> PolygonModes() {
  GLint m[2] = {};
  glGetIntegerv(GL_POLYGON_MODE, m);
  return {m[0], m[1]};
}

inline GLint TextureFilter(GLuint name, GLenum which) {
  GLint bound = GetInt(GL_TEXTURE_BINDING_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  GLint v = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, which, &v);
  glBindTexture(GL_TEXTURE_2D, bound);
  return v;
}

inline bool Near(const TRgb& p, int r, int g, int b, int tolerance = 2) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
         std::abs(p.b - b) <= tolerance;
}

inline bool IsBlack(const TRgb& p) { return p.r == 0 && p.g == 0 && p.b == 0; }

// Vertical half-extent of the view at distance z from the eye, in world
// units, for the 62-degree projection every frame uses.
inline double HalfHeightAt(double z) { return z * 0.60086061902756; }  // tan(31 deg)
inline double HalfWidthAt(double z) {
  return HalfHeightAt(z) * kRigWidth / static_cast<double>(kRigHeight);
}
// Pixel column (from the left) and row (from the top) of a point on a plane
// facing the camera at distance z, at world offsets (x, y) from the centre of
// view, for a camera looking down -z with y up.
inline double ColumnOf(double x, double z) { return kRigWidth / 2.0 * (1 + x / HalfWidthAt(z)); }
inline double RowOf(double y, double z) { return kRigHeight / 2.0 * (1 - y / HalfHeightAt(z)); }

// The state a card scene leaves: depth test and lighting off, blending on
// with the given factors, texturing on with `name` bound.
inline void ExpectCardState(GLuint name, GLenum src, GLenum dst) {
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GetInt(GL_BLEND_SRC), static_cast<GLint>(src));
  EXPECT_EQ(GetInt(GL_BLEND_DST), static_cast<GLint>(dst));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(name));
}

// Whether the frame the real driver draws at demo time d shows anything of
// the texture in `slot`: the frame is drawn once with the slot white and once
// with it black (both opaque), the shared generator replayed from its start
// each time, and the two frames compared.
inline bool SlotShows(int slot, double d) {
  std::vector<uint8_t> frames[2];
  for (int k = 0; k < 2; ++k) {
    const uint8_t v = k == 0 ? 255 : 0;
    TSlotTexture probe(slot, v, v, v, 255);
    ResetRandom();
    DrawFrameAt(d, 0.0f);
    frames[k] = ReadFramePixels();
  }
  return frames[0] != frames[1];
}
