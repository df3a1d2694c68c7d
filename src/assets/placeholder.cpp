// Temporary: replaced by the readers.
#include "assets/asc_mesh.h"
#include "assets/textures.h"
TTextureTable Textures = {};
uint32_t& TextureSlot(TTextureTable& table, int slot) { return table[slot]; }
void LoadStartupTextures(TTextureTable&) {}
void CompileStartupMeshes() {}
int ReadAscPoints(const char*, float*, int*) { return -1; }
