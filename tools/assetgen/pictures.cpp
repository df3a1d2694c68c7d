// WritePictures: paints the sixteen pictures and writes them as BMP files.
#include "pictures.h"

#include <cstdio>

#include "assetgen/assetgen.h"
#include "lettering.h"

namespace {

struct TPictureFile {
  const char* name;
  TCanvas (*paint)();
};

// File names as the demo's start-up texture list reads them.
constexpr TPictureFile kPictureFiles[] = {
    {"trumpet.bmp", PaintTrumpet},      {"trumpetalpha.bmp", PaintTrumpetAlpha},
    {"mortak.bmp", PaintNeonCity},      {"image4.bmp", PaintPixelDuckTile},
    {"image10.bmp", PaintRingedPlanet}, {"image8.bmp", PaintSynthSun},
    {"spheremap.bmp", PaintSunburst},   {"blob2.bmp", PaintParticleBlob},
    {"trail.bmp", PaintTrailCaption},   {"image3.bmp", PaintMirrorLake},
    {"vantoril.bmp", PaintZiggurat},    {"image6.bmp", PaintStudioBackdrop},
    {"image11.bmp", PaintGraphPaper},   {"log1.bmp", PaintGroupBanner},
    {"log2.bmp", PaintOpeningLogo},     {"kel.bmp", PaintClosingLogo},
};

}  // namespace

std::vector<std::string> PictureFileNames() {
  std::vector<std::string> names;
  for (const TPictureFile& file : kPictureFiles) names.push_back(file.name);
  return names;
}

bool WritePictures(const std::string& dir, const std::string& only) {
  bool ok = true;
  for (const TPictureFile& file : kPictureFiles) {
    if (!only.empty() && only != file.name) continue;
    const TCanvas picture = file.paint();
    ok = WriteBmp(dir + "/" + file.name, picture) && ok;
  }
  if (LetteringFailed()) {
    std::fprintf(stderr, "kelvane-assetgen: pictures written without their lettering\n");
    ok = false;
  }
  return ok;
}
