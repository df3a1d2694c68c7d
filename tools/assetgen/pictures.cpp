// WritePictures: paints the pictures of the manifest's textures and writes
// them as BMP files.
#include "pictures.h"

#include <cstdio>

#include "assetgen/assetgen.h"
#include "assets/manifest.h"
#include "lettering.h"

namespace {

// Which painter makes each picture of the manifest's textures.
struct TPainters {
  int slot;
  TCanvas (*colour)();
  TCanvas (*alpha)();  // for a texture with an alpha picture
};
constexpr TPainters kPainters[] = {
    {kSlotSpriteRing, PaintTrumpet, PaintTrumpetAlpha},
    {kSlotWavyStrips, PaintNeonCity, nullptr},
    {kSlotTileWall, PaintPixelDuckTile, nullptr},
    {kSlotEchoPlanet, PaintRingedPlanet, nullptr},
    {kSlotEchoSun, PaintSynthSun, nullptr},
    {kSlotColorSplit, PaintSplitRings, nullptr},
    {kSlotParticleSprite, PaintParticleBlob, nullptr},
    {kSlotTrailCaption, PaintTrailCaption, nullptr},
    {kSlotUnfold, PaintMirrorLake, nullptr},
    {kSlotSettlingStrips, PaintZiggurat, nullptr},
    {kSlotModelBackdrop, PaintStudioBackdrop, nullptr},
    {kSlotLens, PaintGraphPaper, nullptr},
    {kSlotBanner, PaintGroupBanner, nullptr},
    {kSlotOpeningTitle, PaintOpeningLogo, nullptr},
    {kSlotClosingTitle, PaintClosingLogo, nullptr},
};

const TPainters* PaintersOf(const TTextureAsset& texture) {
  for (const TPainters& painters : kPainters)
    if (painters.slot == texture.slot && !painters.alpha == !texture.alphaFile) return &painters;
  std::fprintf(stderr, "kelvane-assetgen: no painter for %s (slot %d)\n", texture.file,
               texture.slot);
  return nullptr;
}

}  // namespace

std::vector<std::string> PictureFileNames() {
  std::vector<std::string> names;
  for (const TTextureAsset& texture : kTextureAssets) {
    names.push_back(texture.file);
    if (texture.alphaFile) names.push_back(texture.alphaFile);
  }
  return names;
}

bool WritePictures(const std::string& dir, const std::string& only) {
  bool ok = true;
  for (const TTextureAsset& texture : kTextureAssets) {
    const bool colour = only.empty() || only == texture.file;
    const bool alpha = texture.alphaFile && (only.empty() || only == texture.alphaFile);
    if (!colour && !alpha) continue;
    const TPainters* painters = PaintersOf(texture);
    if (!painters) {
      ok = false;
      continue;
    }
    if (colour) ok = WriteBmp(dir + "/" + texture.file, painters->colour()) && ok;
    if (alpha) ok = WriteBmp(dir + "/" + texture.alphaFile, painters->alpha()) && ok;
  }
  if (LetteringFailed()) {
    std::fprintf(stderr, "kelvane-assetgen: pictures written without their lettering\n");
    ok = false;
  }
  return ok;
}
