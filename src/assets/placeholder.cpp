// Temporary: replaced by the readers.
#include "assets/textures.h"
TTextureTable Textures = {};
uint32_t& TextureSlot(TTextureTable& table, int slot) { return table[slot]; }
void LoadStartupTextures(TTextureTable&) {}
