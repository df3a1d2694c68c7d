// Compares two PNG frames of one size: the share of pixels where any channel
// differs by more than 32 levels, and the PSNR over all RGB bytes. Prints
// both on one line and exits 1 when either misses its bound.
//
//   frame_compare REFERENCE.png TEST.png MAX_PERCENT MIN_PSNR_DB
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool ReadRgb(const char* file, std::vector<uint8_t>* rgb, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file)) {
    std::fprintf(stderr, "frame_compare: %s: %s\n", file, image.message);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
    std::fprintf(stderr, "frame_compare: %s: %s\n", file, image.message);
    return false;
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: frame_compare REFERENCE.png TEST.png MAX_PERCENT MIN_PSNR_DB\n");
    return 2;
  }
  std::vector<uint8_t> a, b;
  int wa = 0, ha = 0, wb = 0, hb = 0;
  if (!ReadRgb(argv[1], &a, &wa, &ha) || !ReadRgb(argv[2], &b, &wb, &hb)) return 2;
  if (wa != wb || ha != hb) {
    std::fprintf(stderr, "frame_compare: %dx%d against %dx%d\n", wa, ha, wb, hb);
    return 1;
  }
  const size_t pixels = static_cast<size_t>(wa) * ha;
  size_t off = 0;
  double squares = 0.0;
  for (size_t p = 0; p < pixels; ++p) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(a[p * 3 + c] - b[p * 3 + c]);
      squares += static_cast<double>(d) * d;
      if (d > worst) worst = d;
    }
    off += worst > 32;
  }
  const double percent = 100.0 * static_cast<double>(off) / static_cast<double>(pixels);
  const double mse = squares / (3.0 * static_cast<double>(pixels));
  const double psnr = mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
  const bool pass = percent <= std::atof(argv[3]) && psnr >= std::atof(argv[4]);
  std::printf("%.3f %% of pixels off by more than 32, PSNR %.1f dB (%zu pixels)%s\n", percent, psnr,
              off, pass ? "" : "  FAIL");
  return pass ? 0 : 1;
}
