// Helpers for the tests that draw on the offscreen rig: textures of the
// test's own in the table's slots (put back afterwards), a clean frame with
// the frame driver's base state, GL state read back from the context, what a
// scene emits captured through GL feedback, and where the rig's projection
// puts a point.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/manifest.h"
#include "assets/textures.h"
#include "demo/demo.h"
#include "geometry/particles.h"
#include "platform/graphics/gl.h"
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

// A size x size picture for TSlotTexture from a function of the texel, which
// writes red, green and blue (all 0 before); alpha is 255.
template <typename Texel>
std::vector<uint8_t> PaintTexels(int size, Texel texel) {
  std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      texel(x, y, p);
      p[3] = 255;
    }
  return rgba;
}

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

// Colour buffer `grey`, depth buffer at its far end.
inline void ClearFrame(float grey = 0.0f) {
  glClearColor(grey, grey, grey, 0);
  glClearDepth(1.0);
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

// The state a card scene leaves: the depth test as given (off but for the
// lens scene), lighting off, blending on with the given factors, texturing on
// with `name` bound.
inline void ExpectCardState(GLuint name, GLenum src, GLenum dst, bool depthTest = false) {
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), depthTest ? GL_TRUE : GL_FALSE);
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

// Catmull-Rom in its matrix form, written apart from the program's Hermite
// form: the value between p1 and p2 at f, 0..1.
inline double CatmullRom(double p0, double p1, double p2, double p3, double f) {
  return 0.5 * (2 * p1 + (p2 - p0) * f + (2 * p0 - 5 * p1 + 4 * p2 - p3) * f * f +
                (3 * p1 - p0 - 3 * p2 + p3) * f * f * f);
}

// One vertex as feedback reports it, with x and y turned back into eye
// coordinates of the capture's orthographic projection.
struct TVertex {
  double x, y;
  float colour[4];
  float tex[2];
};
struct TQuad {
  TVertex v[4];  // in the order the quad was emitted
  double CentreX() const { return (v[0].x + v[1].x + v[2].x + v[3].x) / 4; }
  double CentreY() const { return (v[0].y + v[1].y + v[2].y + v[3].y) / 4; }
};

// Feedback of everything draw() emits, with the projection replaced by an
// orthographic box of x and y in [-half, half] and eye z in [-20, 20].
// Values in the buffer, before parsing, are counted in *rawCount.
inline std::vector<TQuad> CaptureQuads(void (*draw)(), double half, int* rawCount = nullptr) {
  constexpr int kBufferFloats = 200000;
  static GLfloat buffer[kBufferFloats];
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-half, half, -half, half, -20, 20);
  glMatrixMode(GL_MODELVIEW);
  glFeedbackBuffer(kBufferFloats, GL_3D_COLOR_TEXTURE, buffer);
  glRenderMode(GL_FEEDBACK);
  draw();
  const int count = glRenderMode(GL_RENDER);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  if (rawCount) *rawCount = count;
  EXPECT_GE(count, 0) << "feedback buffer overflowed";

  // Polygons as lists of vertices (x, y, z, r, g, b, a, s, t, r, q).
  std::vector<std::vector<TVertex>> polygons;
  for (int i = 0; i < count;) {
    const int token = static_cast<int>(buffer[i++]);
    if (token != GL_POLYGON_TOKEN) {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
    const int n = static_cast<int>(buffer[i++]);
    std::vector<TVertex> polygon;
    for (int k = 0; k < n; ++k, i += 11) {
      TVertex v;
      v.x = buffer[i] / viewport[2] * 2 * half - half;
      v.y = buffer[i + 1] / viewport[3] * 2 * half - half;
      for (int c = 0; c < 4; ++c) v.colour[c] = buffer[i + 3 + c];
      v.tex[0] = buffer[i + 7];
      v.tex[1] = buffer[i + 8];
      polygon.push_back(v);
    }
    polygons.push_back(polygon);
  }

  // A quad comes back whole, or split into (0, 1, 3) and (1, 2, 3).
  std::vector<TQuad> quads;
  for (size_t p = 0; p < polygons.size(); ++p) {
    const std::vector<TVertex>& a = polygons[p];
    TQuad q;
    if (a.size() == 4) {
      for (int k = 0; k < 4; ++k) q.v[k] = a[k];
    } else if (a.size() == 3 && p + 1 < polygons.size() && polygons[p + 1].size() == 3) {
      const std::vector<TVertex>& b = polygons[++p];
      const bool shared =
          b[0].x == a[1].x && b[0].y == a[1].y && b[2].x == a[2].x && b[2].y == a[2].y;
      if (!shared) {
        ADD_FAILURE() << "triangles " << p - 1 << " and " << p << " do not form a quad";
        break;
      }
      q.v[0] = a[0];
      q.v[1] = a[1];
      q.v[2] = b[1];
      q.v[3] = a[2];
    } else {
      ADD_FAILURE() << "polygon " << p << " with " << a.size() << " vertices (clipped?)";
      break;
    }
    quads.push_back(q);
  }
  return quads;
}

// Pixel (column, row from the top) where the rig's projection puts the point
// (x, y, z) seen by a camera at (0, 0, eyeZ) looking down -z with y up.
struct TPixel {
  int x, y;
};
inline TPixel PixelOf(double eyeZ, double x, double y, double z = 0.0) {
  glPushMatrix();
  glLoadIdentity();
  gluLookAt(0, 0, eyeZ, 0, 0, 0, 0, 1, 0);
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glPopMatrix();
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx, wy, wz;
  gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
  return TPixel{static_cast<int>(std::floor(wx)),
                viewport[3] - 1 - static_cast<int>(std::floor(wy))};
}

// Seeds the particles again from the asset pack, as start-up left them.
inline void ReseedFromAssetPack() {
  char previous[PATH_MAX];
  if (!getcwd(previous, sizeof previous)) return;
  if (chdir(KELVANE_DATA_DIR) == 0) {
    SeedParticles();
    EXPECT_EQ(chdir(previous), 0);
  }
}
