#include "lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";
const char* const kFontFiles[kFontFaces] = {"DejaVuSans.ttf",     "DejaVuSans-Bold.ttf",
                                            "DejaVuSerif.ttf",    "DejaVuSerif-Bold.ttf",
                                            "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"};

// Loaded on first use and kept for the run; written only by FaceFor.
struct {
  FT_Library library = nullptr;
  FT_Face faces[kFontFaces] = {};
  bool failed = false;
} fonts;

FT_Face FaceFor(TFontFace face) {
  if (fonts.faces[face]) return fonts.faces[face];
  if (!fonts.library && FT_Init_FreeType(&fonts.library) != 0) {
    std::fprintf(stderr, "kelvane-assetgen: FreeType cannot be initialised\n");
    fonts.failed = true;
    return nullptr;
  }
  const std::string path = std::string(kFontDir) + kFontFiles[face];
  if (FT_New_Face(fonts.library, path.c_str(), 0, &fonts.faces[face]) != 0) {
    std::fprintf(stderr, "kelvane-assetgen: cannot load font %s (install fonts-dejavu-core)\n",
                 path.c_str());
    fonts.failed = true;
    fonts.faces[face] = nullptr;
  }
  return fonts.faces[face];
}

// Walks the glyphs of the text with subpixel pen positions, calling
// visit(bitmap, left, top) for each rendered glyph (top is above the
// baseline, in pixels, y up).
template <typename TVisit>
bool WalkGlyphs(const TTextStyle& style, const char* text, TVisit visit) {
  FT_Face face = FaceFor(style.face);
  if (!face) return false;
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(style.size * 64.0f), 72, 72);
  FT_Matrix m;
  m.xx = static_cast<FT_Fixed>(style.stretchX * 65536.0f);
  m.xy = static_cast<FT_Fixed>(style.shear * 65536.0f);
  m.yx = 0;
  m.yy = 0x10000;
  double pen = 0;
  FT_UInt previous = 0;
  for (const char* p = text; *p; ++p) {
    const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(*p));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &k);
      pen += k.x / 64.0 * style.stretchX;
    }
    FT_Vector delta;
    delta.x = static_cast<FT_Pos>(std::lround((pen - std::floor(pen)) * 64.0));
    delta.y = 0;
    FT_Set_Transform(face, &m, &delta);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0) {
      const FT_GlyphSlot g = face->glyph;
      visit(g->bitmap, static_cast<int>(std::floor(pen)) + g->bitmap_left, g->bitmap_top);
      pen += g->advance.x / 64.0 + style.tracking * style.size;
    }
    previous = glyph;
  }
  FT_Set_Transform(face, nullptr, nullptr);
  return true;
}

}  // namespace

TMask RenderText(const TTextStyle& style, const char* text, int pad) {
  int x0 = 1 << 30, x1 = -(1 << 30), top = -(1 << 30), bottom = 1 << 30;
  const bool ok = WalkGlyphs(style, text, [&](const FT_Bitmap& b, int left, int glyphTop) {
    if (b.width == 0 || b.rows == 0) return;
    x0 = std::min(x0, left);
    x1 = std::max(x1, left + static_cast<int>(b.width));
    top = std::max(top, glyphTop);
    bottom = std::min(bottom, glyphTop - static_cast<int>(b.rows));
  });
  if (!ok || x1 <= x0) return MakeMask(1 + 2 * pad, 1 + 2 * pad);
  TMask mask = MakeMask(x1 - x0 + 2 * pad, top - bottom + 2 * pad);
  WalkGlyphs(style, text, [&](const FT_Bitmap& b, int left, int glyphTop) {
    for (unsigned row = 0; row < b.rows; ++row) {
      const int y = top - glyphTop + static_cast<int>(row) + pad;
      for (unsigned col = 0; col < b.width; ++col) {
        const int x = left - x0 + static_cast<int>(col) + pad;
        float& m = mask.At(x, y);
        m = std::min(1.0f, m + b.buffer[row * b.pitch + col] / 255.0f);
      }
    }
  });
  return mask;
}

void DrawText(TMask& mask, const TTextStyle& style, const char* text, int cx, int cy) {
  StampMask(mask, RenderText(style, text), cx, cy);
}

bool LetteringFailed() { return fonts.failed; }
