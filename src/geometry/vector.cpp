#include "geometry/vector.h"

#include <cmath>
#include <cstdlib>

namespace {
// Shorter than this, a vector has no direction worth keeping.
const double kNormalizeThreshold = 1e-8;

// k mod n in 0 .. n - 1. For k >= 0 (every caller's case) this is the plain
// remainder; a negative k wraps instead of indexing before the list.
long WrapIndex(long k, long n) {
  long i = k % n;
  return i < 0 ? i + n : i;
}
}  // namespace

double Square(double d) { return d * d; }

double TVector::Length() const {
  switch (state) {
    case vsUndefined:
      return 0.0;
    case vsUnit:
      return 1.0;
    default:
      return std::sqrt(Square(x) + Square(y) + Square(z));
  }
}

TVector& TVector::Normalize() {
  if (state != vsGeneral) return *this;
  const double length = Length();
  if (length >= kNormalizeThreshold) {
    const double r = 1.0 / length;
    x *= r;
    y *= r;
    z *= r;
  } else {
    x = y = z = 0.0;
  }
  state = vsUnit;
  return *this;
}

TVector operator+(const TVector& a, const TVector& b) {
  if (!a.IsDefined() || !b.IsDefined()) return TVector();
  return TVector(a.x + b.x, a.y + b.y, a.z + b.z);
}

TVector operator*(const TVector& v, double s) {
  if (!v.IsDefined()) return TVector();
  TVector result(v.x * s, v.y * s, v.z * s);
  result.state = v.state;
  return result;
}

TVector InterpolateSegment(const TKeyList& keys, int keyCount, long k, double f) {
  const long n = keyCount;
  // At k = 0 the key before the first is the second key (|0 - 1| mod n).
  const TVector& k0 = keys[std::labs(k - 1) % n];
  const TVector& k1 = keys[WrapIndex(k, n)];
  const TVector& k2 = keys[WrapIndex(k + 1, n)];
  const TVector& k3 = keys[WrapIndex(k + 2, n)];
  double value[3];
  for (int c = 0; c < 3; ++c) {
    const double p0 = k0.Component(c);
    const double p1 = k1.Component(c);
    const double p2 = k2.Component(c);
    const double p3 = k3.Component(c);
    const double m1 = (p2 - p0) * 0.5;  // tangent at k1
    const double m2 = (p3 - p1) * 0.5;  // tangent at k2
    const double a = 2 * p1 - 2 * p2 + m1 + m2;
    const double b = -3 * p1 + 3 * p2 - 2 * m1 - m2;
    value[c] = f * f * f * a + f * f * b + f * m1 + p1;
  }
  return TVector(value[0], value[1], value[2]);
}

TVector InterpolateKeys(const TKeyList& keys, int keyCount, double t) {
  const long k = static_cast<long>(t);  // toward zero
  return InterpolateSegment(keys, keyCount, k, t - static_cast<double>(k));
}
