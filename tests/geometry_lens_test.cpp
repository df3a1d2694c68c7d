// The lens disc on its own: its thousand quads in ring order, and the
// texture coordinates at its centre, rim and middle.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/lens.h"
#include "scene_fixture.h"

namespace {

constexpr double kCu = 0.37, kCv = 0.61;
void DrawTestLens() {
  glPushMatrix();
  glLoadIdentity();
  DrawLens(kCu, kCv);
  glPopMatrix();
}

std::vector<TVertex> Corners(const std::vector<TQuad>& quads) {
  std::vector<TVertex> all;
  for (const TQuad& q : quads) all.insert(all.end(), q.v, q.v + 4);
  return all;
}

}  // namespace

TEST(LensDisc, ThousandQuadsInRingOrderFromTheRim) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const auto quads = CaptureQuads(DrawTestLens, 2.0);
  ASSERT_EQ(quads.size(), static_cast<size_t>(kLensRings * kLensSegments));
  // Quad (ring 0, segment 1): corners (phi, theta), (phi, theta'),
  // (phi', theta'), (phi', theta) with phi = 0.
  const double theta = 6.2831853 / 50, theta2 = 2 * theta;
  const double c = std::cos(1.570796325 / 20);
  const double expected[4][2] = {{std::sin(theta), std::cos(theta)},
                                 {std::sin(theta2), std::cos(theta2)},
                                 {c * std::sin(theta2), c * std::cos(theta2)},
                                 {c * std::sin(theta), c * std::cos(theta)}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(quads[1].v[k].x, expected[k][0], 1e-5) << k;
    EXPECT_NEAR(quads[1].v[k].y, expected[k][1], 1e-5) << k;
  }
  // The last ring closes on the centre.
  const TQuad& top = quads.back();
  EXPECT_NEAR(top.v[2].x, 0.0, 1e-6);
  EXPECT_NEAR(top.v[3].y, 0.0, 1e-6);
}

TEST(LensDisc, CentreShowsItsTextureCoordinateAndTheRimIsMirrored) {
  ASSERT_TRUE(EnsureDemoLoaded());
  int centre = 0, rim = 0, middle = 0;
  const double halfway = std::cos(10 * 1.570796325 / 20);
  for (const TVertex& v : Corners(CaptureQuads(DrawTestLens, 2.0))) {
    const double radius = std::hypot(v.x, v.y);
    const double du = v.tex[0] - kCu, dv = v.tex[1] - kCv;
    if (radius < 1e-5) {
      ++centre;
      EXPECT_FLOAT_EQ(v.tex[0], static_cast<float>(kCu));
      EXPECT_FLOAT_EQ(v.tex[1], static_cast<float>(kCv));
    } else if (std::fabs(radius - 1) < 1e-5) {
      // At the rim point (sin a, cos a): (cu - 0.345 sin a, cv + 0.345 cos a).
      ++rim;
      EXPECT_NEAR(v.tex[0], kCu - 0.345 * v.x, 2e-6);
      EXPECT_NEAR(v.tex[1], kCv + 0.345 * v.y, 2e-6);
    } else if (std::fabs(radius - halfway) < 1e-5) {
      // Halfway up the dome the texture radius is 0.0878, mirrored in u.
      ++middle;
      EXPECT_NEAR(std::hypot(du, dv), 0.0878, 1e-4);
      EXPECT_NEAR(du * v.y + dv * v.x, 0.0, 1e-6);
    }
  }
  EXPECT_EQ(centre, 2 * kLensSegments);  // two corners of each top quad
  EXPECT_EQ(rim, 2 * kLensSegments);
  EXPECT_EQ(middle, 4 * kLensSegments);
}
