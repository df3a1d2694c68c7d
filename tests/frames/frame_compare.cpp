// Compares two PNG frames of one size: the share of pixels where any channel
// differs by more than 32 levels, and the PSNR over all RGB bytes. Prints
// both on one line and exits 1 when either misses its bound.
//
//   frame_compare REFERENCE.png TEST.png MAX_PERCENT MIN_PSNR_DB [--near]
//
// With --near a pixel is off only when no pixel of the other frame's 3 x 3
// neighbourhood around it is within 32 levels, either way round: a point, an
// edge or a nearest texel one pixel over passes, a missing line does not.
// The PSNR stays pixel for pixel.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

// Whether pixel (x, y) of `from` has a pixel within 32 levels in the 3 x 3
// neighbourhood of (x, y) in `in`.
bool HasNear(const std::vector<uint8_t>& from, const std::vector<uint8_t>& in, int width,
             int height, int x, int y) {
  const uint8_t* f = &from[(static_cast<size_t>(y) * width + x) * 3];
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      const uint8_t* g = &in[(static_cast<size_t>(ny) * width + nx) * 3];
      if (std::abs(f[0] - g[0]) <= 32 && std::abs(f[1] - g[1]) <= 32 && std::abs(f[2] - g[2]) <= 32)
        return true;
    }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool near = argc == 6 && std::string(argv[5]) == "--near";
  if (argc != 5 && !near) {
    std::fprintf(stderr,
                 "usage: frame_compare REFERENCE.png TEST.png MAX_PERCENT MIN_PSNR_DB [--near]\n");
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
    if (worst > 32 && near) {
      const int x = static_cast<int>(p % wa), y = static_cast<int>(p / wa);
      worst = HasNear(a, b, wa, ha, x, y) && HasNear(b, a, wa, ha, x, y) ? 0 : worst;
    }
    off += worst > 32;
  }
  const double percent = 100.0 * static_cast<double>(off) / static_cast<double>(pixels);
  const double mse = squares / (3.0 * static_cast<double>(pixels));
  const double psnr = mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
  const bool pass = percent <= std::atof(argv[3]) && psnr >= std::atof(argv[4]);
  std::printf("%.4f %% of pixels off by more than 32%s, PSNR %.1f dB (%zu pixels)%s\n", percent,
              near ? " (3 x 3)" : "", psnr, off, pass ? "" : "  FAIL");
  return pass ? 0 : 1;
}
