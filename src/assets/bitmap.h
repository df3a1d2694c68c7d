// Uncompressed 24-bit Windows BMP files, read into memory and reordered into
// the buffers GL takes. Nothing here touches GL.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// An image as read: the header block (file bytes 14 up to bfOffBits) and the
// pixel bytes that follow it.
struct TBitmap {
  std::vector<uint8_t> header;
  std::vector<uint8_t> pixels;
};

// Largest side and largest buffer (pixel data, RGB or RGBA) an image may
// need; anything beyond is refused as unreadable.
constexpr int64_t kMaxBitmapSide = 16384;
constexpr int64_t kMaxBitmapBytes = int64_t{256} << 20;

// Header fields, read from the header block at their file offset less 14.
// The block always holds them: ReadBitmap refuses a shorter one.
int32_t BitmapWidth(const TBitmap& image);
int32_t BitmapHeight(const TBitmap& image);  // negative for a top-down image
uint16_t BitmapBitCount(const TBitmap& image);
uint32_t BitmapCompression(const TBitmap& image);
// Rows of the texture: |biHeight|.
int32_t BitmapRows(const TBitmap& image);
// True for the 24-bit uncompressed images that convert to texels.
bool BitmapConvertible(const TBitmap& image);

// Reads one BMP file. False, with *image empty, when the file cannot be
// opened, ends early, or declares a header block shorter than its fields, a
// width or height of 0 or below, a side above kMaxBitmapSide, a buffer above
// kMaxBitmapBytes or more pixel data than the file holds. The signature is
// not checked. When why is given, a failure sets it to a short reason for
// the tools.
bool ReadBitmap(const char* fileName, TBitmap* image, const char** why = nullptr);
// The same from an open binary stream, read from its current position.
bool ReadBitmapStream(FILE* file, TBitmap* image, const char** why = nullptr);

// RGB rows for GL, bottom row first, each 3 * width rounded up to a multiple
// of 4 bytes with zero padding. The source is read with the same padded row
// length; bytes beyond the pixel data count as zero. All zero unless the
// image is 24-bit uncompressed. Empty when memory runs out, or for sides
// that ReadBitmap refuses.
std::vector<uint8_t> BitmapToRGB(const TBitmap& image);

// RGBA texels for GL, packed rows, bottom row first. Size, depth and
// compression come from the alpha image; red, green and blue from the colour
// image's pixel k, alpha from the first stored byte (blue) of the alpha
// image's pixel k, both read as packed runs of 3-byte pixels. A texel whose
// source bytes are missing from either image stays zero. All zero unless
// the alpha image is 24-bit uncompressed. Empty when memory runs out, or for
// sides that ReadBitmap refuses.
std::vector<uint8_t> BitmapToRGBA(const TBitmap& colour, const TBitmap& alpha);
