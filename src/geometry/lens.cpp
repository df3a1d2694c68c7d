// The lens disc and the lens scene.
//
// There is no refraction here. Every vertex of the disc is lifted onto the
// unit hemisphere above it (rim on the unit circle in z = 0, top at z = 1);
// from there a ray bent toward the axis, nearly horizontal at the rim and
// straight down at the top, is cast onto the plane z = -2.5, and the hit
// point, scaled by 0.03, offsets the texture coordinate. The disc itself is
// emitted flat. The result looks like a glass dome: the middle shows the
// picture close to (cu, cv), the outer rings sweep out to radius 0.345, and
// left and right are mirrored.
#include "geometry/lens.h"

#include <cmath>

#include "geometry/scene_setup.h"
#include "geometry/vector.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/gl.h"

namespace {

const double kQuarterTurn = 1.570796325;  // latitude of the top, radians
const double kFullTurn = 6.2831853;       // radians around
const double kPlaneZ = -2.5;              // the plane the rays are cast onto
const double kTexturePerUnit = 0.03;      // texture offset per unit of the hit point

const int kLensTexture = 21;  // "image11.bmp", also the backdrop
const double kWindowStart = 1100.0;
const double kWindowEnd = 1200.0;

// One latitude of the dome: sine, cosine and the ray's downward bend.
struct TLatitude {
  double s, c, r;
};

TLatitude LatitudeOfRing(int ring) {
  const double phi = ring * kQuarterTurn / kLensRings;
  TLatitude lat;
  lat.s = std::sin(phi);
  lat.c = std::sqrt(1 - lat.s * lat.s);
  lat.r = lat.s * 0.6 + 0.2;
  return lat;
}

void EmitCorner(const TLatitude& lat, int segment, double cu, double cv) {
  const double theta = segment * kFullTurn / kLensSegments;
  const double sinTheta = std::sin(theta);
  const double cosTheta = std::cos(theta);
  const TVector p(sinTheta * lat.c, cosTheta * lat.c, lat.s);
  TVector ray(-sinTheta * lat.c, -cosTheta * lat.c, -lat.r);
  ray.Normalize();
  // ray.z lies between -1 (top) and -0.196 (rim), never 0.
  const double k = (kPlaneZ - p.GetZ()) / ray.GetZ();
  const TVector hit = p + ray * k;
  glTexCoord2f(static_cast<float>(cu + kTexturePerUnit * hit.GetX()),
               static_cast<float>(cv - kTexturePerUnit * hit.GetY()));
  glNormal3f(static_cast<float>(-p.GetX()), static_cast<float>(-p.GetY()),
             static_cast<float>(-p.GetZ()));
  glVertex3d(p.GetX(), p.GetY(), 0.0);
}

// How each lens swings and bounces, and how it is squashed in y.
struct TLensMotion {
  double wa;  // side to side: a = sin(wa t) * 1.4
  double wb;  // bounce: b = |sin(wb t)| * 2.6 - 2
  float sy;
};
const TLensMotion kLenses[] = {
    {0.1, 0.3, 0.7f},
    {0.12, 0.34, 0.9f},
};

}  // namespace

void DrawLens(double cu, double cv) {
  glBegin(GL_QUADS);
  for (int i = 0; i < kLensRings; ++i) {
    const TLatitude lower = LatitudeOfRing(i);
    const TLatitude upper = LatitudeOfRing(i + 1);
    for (int j = 0; j < kLensSegments; ++j) {
      EmitCorner(lower, j, cu, cv);
      EmitCorner(lower, j + 1, cu, cv);
      EmitCorner(upper, j + 1, cu, cv);
      EmitCorner(upper, j, cu, cv);
    }
  }
  glEnd();
}

void LensBubbles() {
  const double d = DemoTime;
  if (d < kWindowStart || d > kWindowEnd) return;
  const double t = d - kWindowStart;

  BeginTexturedScene(kLensTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 1.6);
  glColor4f(1, 1, 1, 1);

  // Backdrop: x in [-1.43, 1.43], y in [-1, 1].
  glPushMatrix();
  glScalef(1.43f, 1, 0);
  glTranslatef(0, 0, 0);
  DrawUnitCard();
  glPopMatrix();

  // Both lenses lie in z = 0; with the depth test on (and the default
  // GL_LESS) the second cannot overwrite the first where they overlap.
  for (const TLensMotion& lens : kLenses) {
    glPushMatrix();
    glScalef(0.4f, 0.4f, 0.1f);
    glEnable(GL_DEPTH_TEST);
    glNewList(kLensList, GL_COMPILE);
    const double a = std::sin(lens.wa * t) * 1.4;
    const double b = std::fabs(std::sin(lens.wb * t)) * 2.6 - 2.0;
    glTranslatef(static_cast<float>(a), static_cast<float>(b), 0);
    DrawLens(a * -0.24 + 0.5, b * 0.12 + 0.53);
    glEndList();
    glScalef(1, lens.sy, 1);
    glCallList(kLensList);
    glPopMatrix();
  }
  glPopMatrix();
}
