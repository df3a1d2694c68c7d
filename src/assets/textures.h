// BMP images into GL textures, and the texture table the scenes bind from.
#pragma once

#include <cstdint>

constexpr int kTextureSlots = 1000;

// GL texture names indexed by slot. Slots 10 to 24 are filled once at
// start-up by LoadStartupTextures; every other entry stays 0.
typedef uint32_t TTextureTable[kTextureSlots];
extern TTextureTable Textures;

// The entry of a slot (no range check: callers pass constants 10 to 24).
uint32_t& TextureSlot(TTextureTable& table, int slot);

// Opaque RGB texture from one 24-bit BMP.
void LoadTexture(TTextureTable& table, const char* fileName, int slot);
// RGBA texture: colour from one BMP, alpha from the first stored byte of each
// pixel of a second, grey BMP.
void LoadAlphaTexture(TTextureTable& table, const char* colourFile,
                      const char* alphaFile, int slot);

// The start-up texture list, slots 10 to 24 in their fixed order.
void LoadStartupTextures(TTextureTable& table);
