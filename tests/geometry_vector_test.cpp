// TVector's state tag and arithmetic, and the cyclic Catmull-Rom spline.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/vector.h"
#include "scene_fixture.h"

namespace {

// Keys whose x is the key's index and whose y and z mark it apart.
TKeyList IndexKeys(int n) {
  TKeyList keys;
  for (int i = 0; i < n; ++i) keys.push_back(TVector(i, 10.0 * i + 0.5, -3.0 * i));
  return keys;
}

void ExpectSame(const TVector& v, const TVector& w) {
  EXPECT_EQ(v.GetX(), w.GetX());
  EXPECT_EQ(v.GetY(), w.GetY());
  EXPECT_EQ(v.GetZ(), w.GetZ());
}

}  // namespace

TEST(VectorTag, ConstructionAndClear) {
  TVector undefined;
  EXPECT_FALSE(undefined.IsDefined());
  EXPECT_FALSE(undefined.IsGeneral());
  EXPECT_EQ(undefined.Length(), 0.0);

  TVector zero(0, 0, 0);  // built from numbers: defined, whatever they are
  EXPECT_TRUE(zero.IsGeneral());
  EXPECT_TRUE(zero.IsDefined());
  EXPECT_FALSE(zero.IsUnit());

  TVector v(1, 2, 3);
  v.Clear();
  EXPECT_FALSE(v.IsDefined());
  ExpectSame(v, TVector(0, 0, 0));
}

TEST(VectorTag, AccessorsReadAndWriteWithoutTouchingTheTag) {
  TVector v(1, 2, 3);
  v.X() = 4;
  v.Y() += 1;
  v.Component(2) = -7;
  EXPECT_EQ(v.GetX(), 4);
  EXPECT_EQ(v.GetY(), 3);
  EXPECT_EQ(v.GetZ(), -7);
  EXPECT_EQ(v.Component(0), 4);
  EXPECT_EQ(v.Component(1), 3);
  EXPECT_TRUE(v.IsGeneral());
  EXPECT_DOUBLE_EQ(v.Length(), std::sqrt(16.0 + 9.0 + 49.0));
}

TEST(VectorTag, NormalizeMakesUnitVectors) {
  TVector v(3, 4, 0);
  TVector& same = v.Normalize();
  EXPECT_EQ(&same, &v);
  EXPECT_TRUE(v.IsUnit());
  EXPECT_DOUBLE_EQ(v.GetX(), 0.6);
  EXPECT_DOUBLE_EQ(v.GetY(), 0.8);
  EXPECT_EQ(v.GetZ(), 0.0);

  // A unit vector is not rescaled, even when its coordinates no longer fit.
  v.X() = 5;
  v.Normalize();
  EXPECT_EQ(v.GetX(), 5);
  EXPECT_EQ(v.Length(), 1.0);
}

TEST(VectorTag, NormalizeOfDegenerateAndUndefinedVectors) {
  TVector zero(0, 0, 0);
  zero.Normalize();
  EXPECT_TRUE(zero.IsUnit());
  ExpectSame(zero, TVector(0, 0, 0));
  EXPECT_EQ(zero.Length(), 1.0);

  // Just under the 1e-8 threshold: zeroed; just over it: scaled.
  TVector tiny(0.99e-8, 0, 0);
  tiny.Normalize();
  EXPECT_EQ(tiny.GetX(), 0.0);
  TVector small(1.01e-8, 0, 0);
  small.Normalize();
  EXPECT_DOUBLE_EQ(small.GetX(), 1.0);

  TVector undefined;
  undefined.Normalize();
  EXPECT_FALSE(undefined.IsDefined());
  EXPECT_EQ(undefined.Length(), 0.0);
}

TEST(VectorTag, SumIsUndefinedWhenEitherOperandIs) {
  const TVector a(1, 2, 3), b(0.5, -2, 10);
  const TVector sum = a + b;
  EXPECT_TRUE(sum.IsGeneral());
  ExpectSame(sum, TVector(1.5, 0, 13));

  TVector unit(0, 0, 2);
  unit.Normalize();
  EXPECT_TRUE((unit + unit).IsGeneral());  // a sum is general, not unit

  for (const TVector& s : {a + TVector(), TVector() + a}) {
    EXPECT_FALSE(s.IsDefined());
    ExpectSame(s, TVector(0, 0, 0));
  }
}

TEST(VectorTag, ScalingKeepsTheTag) {
  TVector unit(0, 3, 4);
  unit.Normalize();
  const TVector doubled = unit * 2;
  EXPECT_TRUE(doubled.IsUnit());
  EXPECT_DOUBLE_EQ(doubled.GetY(), 1.2);
  EXPECT_DOUBLE_EQ(doubled.GetZ(), 1.6);
  EXPECT_EQ(doubled.Length(), 1.0);  // the tag, not the coordinates

  const TVector general = TVector(1, -2, 2) * 3;
  EXPECT_TRUE(general.IsGeneral());
  EXPECT_DOUBLE_EQ(general.Length(), 9.0);

  const TVector none = TVector() * 3;
  EXPECT_FALSE(none.IsDefined());
  EXPECT_EQ(Square(-1.5), 2.25);
}

TEST(KeySpline, WholeTimesGiveTheirKeyExactly) {
  const TKeyList keys = IndexKeys(7);
  for (int t = 0; t < 30; ++t) {
    const TVector v = InterpolateKeys(keys, 7, t);
    ExpectSame(v, keys[t % 7]);
    EXPECT_TRUE(v.IsGeneral());
  }
  // The key count, not the list's size, sets the cycle.
  ExpectSame(InterpolateKeys(keys, 3, 4.0), keys[1]);
  ExpectSame(InterpolateKeys(keys, 3, 5.0), keys[2]);
}

TEST(KeySpline, FirstSegmentBorrowsTheSecondKeyAsItsPredecessor) {
  const TKeyList keys = IndexKeys(7);
  const TVector v = InterpolateKeys(keys, 7, 0.5);
  // Keys 1, 0, 1, 2 in x give 0.375 (by hand: 0.5 x (0 + 0 + 4 / 4 - 2 / 8));
  // a predecessor of key 6 would give 1.125.
  EXPECT_DOUBLE_EQ(v.GetX(), 0.375);
  EXPECT_DOUBLE_EQ(v.GetY(), CatmullRom(10.5, 0.5, 10.5, 20.5, 0.5));
}

TEST(KeySpline, LastSegmentWrapsToTheFirstKey) {
  const TKeyList keys = IndexKeys(7);
  const TVector v = InterpolateKeys(keys, 7, 6.5);
  EXPECT_DOUBLE_EQ(v.GetX(), CatmullRom(5, 6, 0, 1, 0.5));
  EXPECT_DOUBLE_EQ(v.GetZ(), CatmullRom(-15, -18, 0, -3, 0.5));
  // One cycle later the same segment again.
  ExpectSame(InterpolateKeys(keys, 7, 13.5), v);
}

TEST(KeySpline, StepBetweenEqualPairs) {
  TKeyList keys = {TVector(0, 0, 0), TVector(0, 0, 0), TVector(1, 1, 1), TVector(1, 1, 1)};
  EXPECT_EQ(InterpolateKeys(keys, 4, 1.5).GetX(), 0.5);
  EXPECT_EQ(InterpolateKeys(keys, 4, 1.25).GetY(), 0.203125);
  EXPECT_EQ(InterpolateKeys(keys, 4, 1.75).GetZ(), 1 - 0.203125);
  // Between the two equal keys 0 and 1 the tangents come from keys 1 and 2
  // (the second key stands in before the first), so the curve still moves.
  EXPECT_NE(InterpolateKeys(keys, 4, 0.5).GetX(), 0.0);
}

TEST(KeySpline, SingleKeyAndEqualKeysStandStill) {
  const TKeyList keys = IndexKeys(3);
  for (double t : {0.0, 0.3, 1.7, 12.9}) ExpectSame(InterpolateKeys(keys, 1, t), keys[0]);
  const TKeyList same(4, TVector(0.25, -0.5, 2));
  for (double t : {0.1, 0.5, 2.99}) ExpectSame(InterpolateKeys(same, 4, t), same[0]);
}
