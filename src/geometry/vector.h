// TVector, the demo's double-precision vector, and the cyclic Catmull-Rom
// spline the particles move along.
#pragma once

#include <cstdint>
#include <vector>

// What a vector is known to be. Only Normalize produces vsUnit, and the tag
// is never recomputed from the coordinates afterwards.
enum TVectorState : uint8_t { vsUndefined = 0, vsGeneral = 1, vsUnit = 2 };

class TVector {
 public:
  TVector() = default;  // (0, 0, 0), vsUndefined
  TVector(double x, double y, double z) : x(x), y(y), z(z), state(vsGeneral) {}

  void Clear() { *this = TVector(); }

  // Read-write access; writing through these leaves the tag alone.
  double& X() { return x; }
  double& Y() { return y; }
  double& Z() { return z; }
  double GetX() const { return x; }
  double GetY() const { return y; }
  double GetZ() const { return z; }
  // i is 0 (x), 1 (y) or 2 (z); nothing else.
  double& Component(int i) { return i == 0 ? x : (i == 1 ? y : z); }
  double Component(int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  bool IsGeneral() const { return state == vsGeneral; }
  bool IsUnit() const { return state == vsUnit; }
  bool IsDefined() const { return state != vsUndefined; }

  // 0 when undefined, 1 when tagged unit (without looking at x, y, z),
  // otherwise the Euclidean length.
  double Length() const;
  // Scales a general vector to length 1 and tags it unit; a vector shorter
  // than 1e-8 becomes (0, 0, 0) tagged unit. Undefined and unit vectors are
  // left as they are.
  TVector& Normalize();

  // Both defined: the sum, vsGeneral. Otherwise a cleared vector.
  friend TVector operator+(const TVector& a, const TVector& b);
  // v defined: v scaled by s with v's tag (a scaled unit vector stays unit).
  // Otherwise a cleared vector.
  friend TVector operator*(const TVector& v, double s);

 private:
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  TVectorState state = vsUndefined;
};

double Square(double d);

// One channel of keyframes, appended in order. Filled at start-up only.
typedef std::vector<TVector> TKeyList;

// The uniform Catmull-Rom spline through a cyclic list of keyCount keys, at
// keyframe time t: key (t mod keyCount) exactly at whole t, the segment from
// key k to key k + 1 in between. Callers keep 1 <= keyCount <= keys.size()
// and t >= 0. The result is vsGeneral; the keys' tags are not looked at.
TVector InterpolateKeys(const TKeyList& keys, int keyCount, double t);
// The same with t already split into its whole part k and fraction f, so a
// caller evaluating several channels at one time splits it once.
TVector InterpolateSegment(const TKeyList& keys, int keyCount, long k, double f);
