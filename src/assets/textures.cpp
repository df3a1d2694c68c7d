// The texture table and the two loaders: a thin step from the converted
// buffers of bitmap.cpp to GL. Start-up only, with the context current.
#include "assets/textures.h"

#include "assets/bitmap.h"
#include "assets/manifest.h"
#include "platform/graphics/gl.h"

// Written only by LoadStartupTextures, once; read by the scenes.
TTextureTable Textures = {};

namespace {

// Texel bytes of the textures in the table, counted since
// LoadStartupTextures began, and each slot's share; an image that would take
// the total past kMaxTextureBytes is loaded as one black texel instead. A
// texture loaded again into its slot (the player's --watch) replaces the
// old one, whose bytes are given back first.
int64_t textureBytes = 0;
int64_t slotBytes[kTextureSlots] = {};

bool WithinTextureBudget(int slot, int64_t bytes) {
  textureBytes -= slotBytes[slot];
  slotBytes[slot] = 0;
  if (bytes > kMaxTextureBytes - textureBytes) return false;
  textureBytes += bytes;
  slotBytes[slot] = bytes;
  return true;
}

// A new texture name in the slot, bound, with the image (or null contents
// when the converted buffer could not be allocated).
void UploadTexture(TTextureTable& table, int slot, GLint components, GLenum format, int width,
                   int rows, const std::vector<uint8_t>& texels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  TextureSlot(table, slot) = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, rows, 0, format, GL_UNSIGNED_BYTE,
               texels.empty() ? nullptr : texels.data());
}

}  // namespace

uint32_t& TextureSlot(TTextureTable& table, int slot) { return table[slot]; }

void LoadTexture(TTextureTable& table, const char* fileName, int slot) {
  TBitmap image;
  if (ReadBitmap(fileName, &image) &&
      WithinTextureBudget(slot, int64_t{4} * BitmapWidth(image) * BitmapRows(image))) {
    UploadTexture(table, slot, 3, GL_RGB, BitmapWidth(image), BitmapRows(image),
                  BitmapToRGB(image));
  } else {
    // An unreadable file still gives a bindable texture: one black texel
    // (a 3-byte row padded to 4).
    UploadTexture(table, slot, 3, GL_RGB, 1, 1, std::vector<uint8_t>(4, 0));
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void LoadAlphaTexture(TTextureTable& table, const char* colourFile, const char* alphaFile,
                      int slot) {
  // The alpha image gives the size; a missing colour image leaves every
  // texel transparent black.
  TBitmap colour, alpha;
  ReadBitmap(colourFile, &colour);
  if (ReadBitmap(alphaFile, &alpha) &&
      WithinTextureBudget(slot, int64_t{4} * BitmapWidth(alpha) * BitmapRows(alpha))) {
    UploadTexture(table, slot, 4, GL_RGBA, BitmapWidth(alpha), BitmapRows(alpha),
                  BitmapToRGBA(colour, alpha));
  } else {
    UploadTexture(table, slot, 4, GL_RGBA, 1, 1, std::vector<uint8_t>(4, 0));
  }
  // The magnification filter stays at GL's initial GL_LINEAR.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void LoadStartupTextures(TTextureTable& table) {
  textureBytes = 0;
  for (int64_t& bytes : slotBytes) bytes = 0;
  for (const TTextureAsset& t : kTextureAssets) {
    if (t.alphaFile) {
      LoadAlphaTexture(table, t.file, t.alphaFile, t.slot);
    } else {
      LoadTexture(table, t.file, t.slot);
    }
  }
}
