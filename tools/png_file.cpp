#include "png_file.h"

#include <png.h>

namespace {

// libpng's errors end the write through its jump buffer; the caller says
// what failed, so libpng prints nothing itself.
void PngFailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarned(png_structp, png_const_charp) {}

}  // namespace

bool WritePngStream(FILE* f, const uint8_t* pixels, int width, int height, int channels,
                    bool srgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarned);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * channels;
  for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(pixels + y * stride));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f) == 0 && !std::ferror(f);
}

bool WritePng(const char* fileName, const uint8_t* pixels, int width, int height, int channels,
              bool srgb) {
  FILE* f = std::fopen(fileName, "wb");
  if (!f) return false;
  const bool written = WritePngStream(f, pixels, width, height, channels, srgb);
  return std::fclose(f) == 0 && written;
}
