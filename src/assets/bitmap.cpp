// The BMP reader and its two converters. The file is a 14-byte file header,
// a header block up to bfOffBits (info header and any palette) and the pixel
// data, rows bottom to top (top to bottom when biHeight is negative), each
// pixel blue, green, red. All sizes are worked out in 64 bits and checked
// against the file and the limits in bitmap.h before anything is allocated.
#include "assets/bitmap.h"

#include <new>

#include "platform/files/regular_file.h"

namespace {

constexpr int kFileHeaderBytes = 14;
// The fields the reader uses end at file offset 38 (biSizeImage).
constexpr uint32_t kMinPixelOffset = 38;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Header field at a file offset, for a block that holds it; 0 otherwise.
uint32_t Field32(const TBitmap& image, int fileOffset) {
  const size_t at = fileOffset - kFileHeaderBytes;
  return image.header.size() >= at + 4 ? Le32(&image.header[at]) : 0;
}

bool Allocate(std::vector<uint8_t>& v, int64_t bytes) {
  try {
    v.assign(static_cast<size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Bytes of one RGB row as GL reads it with GL_UNPACK_ALIGNMENT 4.
int64_t PaddedRowBytes(int64_t width) { return (3 * width + 3) / 4 * 4; }

// Sides that ReadBitmap accepts; the converters refuse anything else.
bool SidesAccepted(int64_t width, int64_t rows) {
  return width > 0 && rows > 0 && width <= kMaxBitmapSide && rows <= kMaxBitmapSide;
}

}  // namespace

int32_t BitmapWidth(const TBitmap& image) { return static_cast<int32_t>(Field32(image, 18)); }
int32_t BitmapHeight(const TBitmap& image) { return static_cast<int32_t>(Field32(image, 22)); }
uint16_t BitmapBitCount(const TBitmap& image) {
  return image.header.size() >= 16 ? Le16(&image.header[14]) : 0;
}
uint32_t BitmapCompression(const TBitmap& image) { return Field32(image, 30); }

int32_t BitmapRows(const TBitmap& image) {
  const int64_t h = BitmapHeight(image);
  return static_cast<int32_t>(h < 0 ? -h : h);
}

bool BitmapConvertible(const TBitmap& image) {
  return BitmapCompression(image) == 0 && BitmapBitCount(image) == 24;
}

bool ReadBitmapStream(FILE* file, TBitmap* image, const char** why) {
  *image = TBitmap();
  const char* unused;
  const char*& reason = why ? *why : unused;
  int64_t fileBytes = -1;
  const long start = std::ftell(file);
  if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) == 0 && end >= start) fileBytes = end - start;
  }

  uint8_t fileHeader[kFileHeaderBytes];
  if (std::fread(fileHeader, kFileHeaderBytes, 1, file) != 1) {
    reason = "shorter than the 14-byte file header";
    return false;
  }
  const uint32_t pixelOffset = Le32(&fileHeader[10]);
  if (pixelOffset < kMinPixelOffset) {
    reason = "bfOffBits too small for the info header";
    return false;
  }
  const int64_t headerBytes = int64_t{pixelOffset} - kFileHeaderBytes;
  if (headerBytes > kMaxBitmapBytes ||
      (fileBytes >= 0 && headerBytes > fileBytes - kFileHeaderBytes)) {
    reason = "bfOffBits beyond the end of the file";
    return false;
  }

  TBitmap read;
  if (!Allocate(read.header, headerBytes)) {
    reason = "out of memory";
    return false;
  }
  if (std::fread(read.header.data(), 1, read.header.size(), file) != read.header.size()) {
    reason = "ends inside the header block";
    return false;
  }

  const int64_t width = BitmapWidth(read);
  const int64_t rows = BitmapRows(read);
  if (!SidesAccepted(width, rows)) {
    reason = "width or height out of range (1 to 16384)";
    return false;
  }
  const uint32_t sizeImage = Field32(read, 34);
  const int64_t pixelBytes =
      sizeImage != 0 ? int64_t{sizeImage} : rows * ((width * BitmapBitCount(read) + 7) / 8);
  if (pixelBytes > kMaxBitmapBytes || rows * PaddedRowBytes(width) > kMaxBitmapBytes ||
      4 * width * rows > kMaxBitmapBytes) {
    reason = "image buffers larger than 256 MiB";
    return false;
  }
  if (fileBytes >= 0 && pixelBytes > fileBytes - kFileHeaderBytes - headerBytes) {
    reason = "pixel data runs past the end of the file";
    return false;
  }
  // Missing bytes at the end read as black, but only up to one row: a small
  // file cannot declare a huge picture and have it made of zeros.
  const int64_t rowBytes = (width * BitmapBitCount(read) + 31) / 32 * 4;
  if (pixelBytes < rows * rowBytes - rowBytes) {
    reason = "pixel data shorter than the declared size by more than a row";
    return false;
  }

  if (!Allocate(read.pixels, pixelBytes)) {
    reason = "out of memory";
    return false;
  }
  if (std::fread(read.pixels.data(), 1, read.pixels.size(), file) != read.pixels.size()) {
    reason = "ends inside the pixel data";
    return false;
  }
  *image = std::move(read);
  return true;
}

bool ReadBitmap(const char* fileName, TBitmap* image, const char** why) {
  *image = TBitmap();
  FILE* file = OpenRegularFile(fileName);
  if (!file) {
    if (why) *why = "cannot be opened as a regular file";
    return false;
  }
  const bool ok = ReadBitmapStream(file, image, why);
  std::fclose(file);
  return ok;
}

std::vector<uint8_t> BitmapToRGB(const TBitmap& image) {
  const int64_t width = BitmapWidth(image);
  const int64_t rows = BitmapRows(image);
  const int64_t rowBytes = PaddedRowBytes(width);
  std::vector<uint8_t> rgb;
  if (!SidesAccepted(width, rows) || !Allocate(rgb, rows * rowBytes)) return rgb;
  if (!BitmapConvertible(image)) return rgb;
  const bool topDown = BitmapHeight(image) < 0;
  const int64_t available = static_cast<int64_t>(image.pixels.size());
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t from = (topDown ? rows - 1 - y : y) * rowBytes;
    for (int64_t x = 0; x < width; ++x) {
      const int64_t s = from + 3 * x;
      uint8_t* out = &rgb[y * rowBytes + 3 * x];
      for (int c = 0; c < 3; ++c) {
        const int64_t at = s + 2 - c;  // blue, green, red to red, green, blue
        out[c] = at < available ? image.pixels[at] : 0;
      }
    }
  }
  return rgb;
}

std::vector<uint8_t> BitmapToRGBA(const TBitmap& colour, const TBitmap& alpha) {
  const int64_t width = BitmapWidth(alpha);
  const int64_t rows = BitmapRows(alpha);
  std::vector<uint8_t> rgba;
  if (!SidesAccepted(width, rows) || !Allocate(rgba, 4 * width * rows)) return rgba;
  if (!BitmapConvertible(alpha)) return rgba;
  const bool alphaTopDown = BitmapHeight(alpha) < 0;
  const bool colourTopDown = BitmapHeight(colour) < 0;
  const int64_t colourRows = BitmapRows(colour);
  const int64_t colourBytes = static_cast<int64_t>(colour.pixels.size());
  const int64_t alphaBytes = static_cast<int64_t>(alpha.pixels.size());
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t ya = alphaTopDown ? rows - 1 - y : y;
    const int64_t yc = colourTopDown ? colourRows - 1 - y : y;
    if (yc < 0) continue;
    for (int64_t x = 0; x < width; ++x) {
      const int64_t c = 3 * (yc * width + x);
      const int64_t a = 3 * (ya * width + x);
      if (c + 2 >= colourBytes || a >= alphaBytes) continue;
      uint8_t* out = &rgba[4 * (y * width + x)];
      out[0] = colour.pixels[c + 2];
      out[1] = colour.pixels[c + 1];
      out[2] = colour.pixels[c];
      out[3] = alpha.pixels[a];
    }
  }
  return rgba;
}
