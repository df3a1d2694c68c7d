// The lens disc.
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

#include "geometry/vector.h"
#include "platform/graphics/gl.h"

namespace {

const double kQuarterTurn = 1.570796325;  // latitude of the top, radians
const double kFullTurn = 6.2831853;       // radians around
const double kPlaneZ = -2.5;              // the plane the rays are cast onto
const double kTexturePerUnit = 0.03;      // texture offset per unit of the hit point

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
