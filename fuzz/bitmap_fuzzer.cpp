// Fuzzes the BMP reader with both converters. The input is read whole as one
// image and, from its middle on, as a second one, so the RGBA merge also sees
// pairs of different sizes. Any read outside a buffer is the sanitizers' to
// catch; the sizes of the converted buffers are checked here.
#include <stdio.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/bitmap.h"

namespace {

// Converting a picture of up to 256 MiB takes long enough to slow fuzzing
// to a crawl; the converters' code is the same for any size, so larger
// images are only read.
constexpr int64_t kMaxFuzzedTexels = int64_t{1} << 20;

bool SmallEnough(const TBitmap& image) {
  return int64_t{BitmapWidth(image)} * BitmapRows(image) <= kMaxFuzzedTexels;
}

bool ReadFromMemory(const uint8_t* data, size_t size, TBitmap* image) {
  if (size == 0) return false;
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return false;
  const bool ok = ReadBitmapStream(f, image);
  fclose(f);
  return ok;
}

void Require(bool condition) {
  if (!condition) abort();
}

bool AllZero(const std::vector<uint8_t>& v) {
  for (uint8_t b : v) {
    if (b) return false;
  }
  return true;
}

void CheckRGB(const TBitmap& image) {
  const std::vector<uint8_t> rgb = BitmapToRGB(image);
  const int64_t rowBytes = (3 * int64_t{BitmapWidth(image)} + 3) / 4 * 4;
  Require(static_cast<int64_t>(rgb.size()) == rowBytes * BitmapRows(image));
  if (!BitmapConvertible(image)) Require(AllZero(rgb));
}

void CheckRGBA(const TBitmap& colour, const TBitmap& alpha) {
  const std::vector<uint8_t> rgba = BitmapToRGBA(colour, alpha);
  Require(static_cast<int64_t>(rgba.size()) == 4 * int64_t{BitmapWidth(alpha)} * BitmapRows(alpha));
  if (!BitmapConvertible(alpha)) Require(AllZero(rgba));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap whole, tail;
  const bool wholeRead = ReadFromMemory(data, size, &whole);
  const bool tailRead = ReadFromMemory(data + size / 2, size - size / 2, &tail);
  if (wholeRead) Require(BitmapWidth(whole) > 0 && BitmapRows(whole) > 0);
  if (!wholeRead) Require(whole.header.empty() && whole.pixels.empty());
  if (wholeRead && SmallEnough(whole)) {
    CheckRGB(whole);
    CheckRGBA(whole, whole);
    CheckRGBA(TBitmap(), whole);
  }
  if (tailRead && SmallEnough(tail)) CheckRGB(tail);
  if (wholeRead && tailRead && SmallEnough(whole) && SmallEnough(tail)) {
    CheckRGBA(whole, tail);
    CheckRGBA(tail, whole);
  }
  return 0;
}
