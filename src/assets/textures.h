// BMP images into GL textures, and the texture table the scenes bind from.
#pragma once

#include <cstdint>

constexpr int kTextureSlots = 1000;
// Texel memory the start-up textures may take together (RGBA bytes): about
// 48 pictures of 1024 x 1024, far above the pack's 11 MiB. An image past it
// is loaded as an unreadable one.
constexpr int64_t kMaxTextureBytes = int64_t{192} << 20;

// GL texture names indexed by slot. Slots 10 to 24 are filled once at
// start-up by LoadStartupTextures; every other entry stays 0.
typedef uint32_t TTextureTable[kTextureSlots];
extern TTextureTable Textures;

// The entry of a slot (no range check: callers pass constants 10 to 24).
uint32_t& TextureSlot(TTextureTable& table, int slot);

// Opaque RGB texture from one 24-bit BMP, filters GL_LINEAR, no mipmaps; the
// new texture is left bound. An image that is not 24-bit uncompressed gives
// black texels of its size; an unreadable file, or one that would take the
// start-up textures past kMaxTextureBytes, gives one black texel.
void LoadTexture(TTextureTable& table, const char* fileName, int slot);
// RGBA texture: colour from one BMP, alpha from the first stored byte of each
// pixel of a second, grey BMP, which also gives the size. Only the
// minification filter is set (GL_LINEAR); the new texture is left bound. An
// unreadable alpha file gives one transparent black texel.
void LoadAlphaTexture(TTextureTable& table, const char* colourFile, const char* alphaFile,
                      int slot);

// The textures of kTextureAssets (assets/manifest.h), in its order.
void LoadStartupTextures(TTextureTable& table);
