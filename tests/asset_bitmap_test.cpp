// The BMP reader and its converters, to the byte, on files written here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asset_support.h"
#include "assets/bitmap.h"

namespace {

bool ReadBytes(const std::vector<uint8_t>& file, TBitmap* image) {
  const std::string path = WriteScratchFile("read.bmp", file);
  return ReadBitmap(path.c_str(), image);
}

// Pixel bytes 1, 2, 3, ... so every source byte can be traced.
std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i + 1);
  return v;
}

}  // namespace

TEST(ReadBitmap, KeepsTheHeaderBlockAndThePixelBytes) {
  TBmpFields f;
  f.width = 4;
  f.height = 2;
  f.palette = 6;
  const std::vector<uint8_t> pixels = Counting(24);
  TBitmap image;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, pixels), &image));
  EXPECT_EQ(image.header.size(), 40u + 6u);
  EXPECT_EQ(image.pixels, pixels);  // biSizeImage 0: 2 rows of 12 bytes
  EXPECT_EQ(BitmapWidth(image), 4);
  EXPECT_EQ(BitmapHeight(image), 2);
  EXPECT_EQ(BitmapBitCount(image), 24);
}

TEST(ReadBitmap, DoesNotCheckTheSignature) {
  TBmpFields f;
  f.signature[0] = 'X';
  f.signature[1] = 'Y';
  TBitmap image;
  EXPECT_TRUE(ReadBytes(MakeBmp(f, {1, 2, 3}), &image));
}

TEST(ReadBitmap, RefusesShortAndInconsistentFiles) {
  TBitmap image;
  EXPECT_FALSE(ReadBitmap("/nonexistent/none.bmp", &image));
  std::vector<uint8_t> file = SolidBmp(4, 4, 1, 2, 3);
  EXPECT_FALSE(ReadBytes(std::vector<uint8_t>(file.begin(), file.begin() + 13), &image));
  EXPECT_FALSE(ReadBytes(std::vector<uint8_t>(file.begin(), file.begin() + 40), &image));
  EXPECT_FALSE(ReadBytes(std::vector<uint8_t>(file.begin(), file.end() - 1), &image));
  EXPECT_TRUE(image.header.empty() && image.pixels.empty());

  // bfOffBits below 14, or too small to hold the fields up to biSizeImage.
  for (uint32_t offBits : {0u, 13u, 14u, 37u}) {
    std::vector<uint8_t> bad = file;
    PutLe(bad, 10, offBits, 4);
    EXPECT_FALSE(ReadBytes(bad, &image)) << offBits;
  }
  // A header block larger than the file.
  std::vector<uint8_t> bad = file;
  PutLe(bad, 10, 0xFFFFFFF0u, 4);
  EXPECT_FALSE(ReadBytes(bad, &image));
  // biSizeImage larger than the file, refused before it is allocated.
  bad = file;
  PutLe(bad, 34, 0xFFFFFF00u, 4);
  EXPECT_FALSE(ReadBytes(bad, &image));
}

TEST(ReadBitmap, RefusesImpossibleSizes) {
  TBitmap image;
  const struct {
    int32_t width, height;
  } kSizes[] = {{0, 1}, {-4, 1}, {1, 0}, {16385, 1}, {1, -16385}, {16384, 16384}, {INT32_MAX, 1}};
  for (const auto& s : kSizes) {
    TBmpFields f;
    f.width = s.width;
    f.height = s.height;
    f.sizeImage = 4;  // the pixel data itself is small
    EXPECT_FALSE(ReadBytes(MakeBmp(f, {0, 0, 0, 0}), &image)) << s.width << " x " << s.height;
  }
}

TEST(ReadBitmap, RefusesPixelDataShortByMoreThanARow) {
  TBitmap image;
  // 16384 x 4096 declared on a 12 KB file: 192 MiB of black, refused.
  TBmpFields huge;
  huge.width = 16384;
  huge.height = 4096;
  huge.sizeImage = 12288;
  EXPECT_FALSE(ReadBytes(MakeBmp(huge, std::vector<uint8_t>(12288, 7)), &image));
  // 5 x 4 has 16-byte rows: one row short still reads (its end is black),
  // a byte more is refused.
  TBmpFields f;
  f.width = 5;
  f.height = 4;
  f.sizeImage = 48;
  EXPECT_TRUE(ReadBytes(MakeBmp(f, Counting(48)), &image));
  f.sizeImage = 47;
  EXPECT_FALSE(ReadBytes(MakeBmp(f, Counting(47)), &image));
}

TEST(BitmapToRGB, SwapsToRedGreenBlueInPaddedRows) {
  // 3 pixels wide: 9 bytes of pixels in a 12-byte row, stored padded.
  TBmpFields f;
  f.width = 3;
  f.height = 2;
  f.sizeImage = 24;
  const std::vector<uint8_t> pixels = Counting(24);
  TBitmap image;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, pixels), &image));
  const std::vector<uint8_t> rgb = BitmapToRGB(image);
  ASSERT_EQ(rgb.size(), 24u);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const int at = 12 * y + 3 * x;
      EXPECT_EQ(rgb[at], pixels[at + 2]);
      EXPECT_EQ(rgb[at + 1], pixels[at + 1]);
      EXPECT_EQ(rgb[at + 2], pixels[at]);
    }
    for (int p = 9; p < 12; ++p) EXPECT_EQ(rgb[12 * y + p], 0) << "padding byte " << p;
  }
}

TEST(BitmapToRGB, ShortPixelDataReadsAsZero) {
  // biSizeImage 0 for a 3-wide image computes 9 bytes per row, 18 in all,
  // but the rows are read 12 bytes apart: the second row's last pixel has
  // no source bytes.
  TBmpFields f;
  f.width = 3;
  f.height = 2;
  const std::vector<uint8_t> pixels = Counting(18);
  TBitmap image;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, pixels), &image));
  ASSERT_EQ(image.pixels.size(), 18u);
  const std::vector<uint8_t> rgb = BitmapToRGB(image);
  ASSERT_EQ(rgb.size(), 24u);
  EXPECT_EQ(rgb[12], pixels[14]);  // row 1 starts at source byte 12
  EXPECT_EQ(rgb[17], pixels[15]);
  for (int p = 18; p < 24; ++p) EXPECT_EQ(rgb[p], 0) << p;
}

TEST(BitmapToRGB, TopDownImageLoadsTheRightWayUp) {
  TBmpFields f;
  f.width = 1;
  f.height = -2;  // first stored row is the top
  f.sizeImage = 8;
  TBitmap image;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, {1, 2, 3, 0, 4, 5, 6, 0}), &image));
  EXPECT_EQ(BitmapToRGB(image), (std::vector<uint8_t>{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BitmapToRGB, EightBitImageIsBlackOfItsSize) {
  TBmpFields f;
  f.width = 4;
  f.height = 3;
  f.bitCount = 8;
  f.palette = 1024;
  TBitmap image;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, std::vector<uint8_t>(12, 0xAB)), &image));
  EXPECT_EQ(image.pixels.size(), 12u);
  EXPECT_EQ(BitmapToRGB(image), std::vector<uint8_t>(36, 0));
  EXPECT_EQ(BitmapToRGBA(image, image), std::vector<uint8_t>(48, 0));
  f.bitCount = 24;
  f.compression = 1;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, std::vector<uint8_t>(36, 0xAB)), &image));
  EXPECT_EQ(BitmapToRGB(image), std::vector<uint8_t>(36, 0));
}

TEST(BitmapToRGBA, MergesOnePixel) {
  TBitmap colour, alpha;
  ASSERT_TRUE(ReadBytes(SolidBmp(1, 1, 10, 20, 30), &colour));
  ASSERT_TRUE(ReadBytes(SolidBmp(1, 1, 200, 0, 0), &alpha));
  EXPECT_EQ(BitmapToRGBA(colour, alpha), (std::vector<uint8_t>{30, 20, 10, 200}));
}

TEST(BitmapToRGBA, ReadsBothImagesAsPackedRuns) {
  // 2 x 2 with biSizeImage 0: 12 packed bytes each.
  TBmpFields f;
  f.width = 2;
  f.height = 2;
  const std::vector<uint8_t> colourPixels = Counting(12);
  std::vector<uint8_t> alphaPixels(12, 0);
  for (int k = 0; k < 4; ++k) alphaPixels[3 * k] = static_cast<uint8_t>(100 + k);
  TBitmap colour, alpha;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, colourPixels), &colour));
  ASSERT_TRUE(ReadBytes(MakeBmp(f, alphaPixels), &alpha));
  const std::vector<uint8_t> rgba = BitmapToRGBA(colour, alpha);
  ASSERT_EQ(rgba.size(), 16u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(rgba[4 * k], colourPixels[3 * k + 2]);
    EXPECT_EQ(rgba[4 * k + 1], colourPixels[3 * k + 1]);
    EXPECT_EQ(rgba[4 * k + 2], colourPixels[3 * k]);
    EXPECT_EQ(rgba[4 * k + 3], 100 + k);
  }
}

TEST(BitmapToRGBA, TexelsWithoutSourceBytesStayZero) {
  // The alpha image (2 x 2) gives the size; the colour image has one pixel.
  TBitmap colour, alpha;
  ASSERT_TRUE(ReadBytes(SolidBmp(1, 1, 10, 20, 30), &colour));
  ASSERT_TRUE(ReadBytes(SolidBmp(2, 2, 255, 255, 255), &alpha));
  const std::vector<uint8_t> rgba = BitmapToRGBA(colour, alpha);
  ASSERT_EQ(rgba.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4),
            (std::vector<uint8_t>{30, 20, 10, 255}));
  for (int i = 4; i < 16; ++i) EXPECT_EQ(rgba[i], 0) << i;
  // No colour image at all: transparent black of the alpha image's size.
  EXPECT_EQ(BitmapToRGBA(TBitmap(), alpha), std::vector<uint8_t>(16, 0));
}

TEST(BitmapToRGBA, TopDownImagesLoadTheRightWayUp) {
  // 1 x 2, stored top row first; both rows 3 bytes apart (packed).
  TBmpFields f;
  f.width = 1;
  f.height = -2;
  TBitmap colour, alpha;
  ASSERT_TRUE(ReadBytes(MakeBmp(f, {1, 2, 3, 4, 5, 6}), &colour));
  ASSERT_TRUE(ReadBytes(MakeBmp(f, {50, 0, 0, 60, 0, 0}), &alpha));
  EXPECT_EQ(BitmapToRGBA(colour, alpha), (std::vector<uint8_t>{6, 5, 4, 60, 3, 2, 1, 50}));
}
