// The asset pack, listed once: every file the demo reads from its working
// folder, the texture slot or display list it fills, and what the loaders
// need to know about it. Start-up, the capture, kelvane-inspect and the
// generator all read these tables; the scenes bind the slots and call the
// lists by these names.
#pragma once

// Texture slots, named for the scene that shows them.
constexpr int kSlotSpriteRing = 10;      // the trumpet sprite, cut out by its alpha picture
constexpr int kSlotWavyStrips = 11;      // the neon city under the rippling strips
constexpr int kSlotTileWall = 12;        // the pixel-art duck tile
constexpr int kSlotEchoPlanet = 13;      // the ringed planet, second echo picture
constexpr int kSlotEchoSun = 14;         // the synth sun, first echo picture
constexpr int kSlotColorSplit = 15;      // the sunburst split into colour channels
constexpr int kSlotParticleSprite = 16;  // the soft blob drawn at every particle
constexpr int kSlotTrailCaption = 17;    // the caption over the particles
constexpr int kSlotUnfold = 18;          // the mirror lake that opens from a line
constexpr int kSlotSettlingStrips = 19;  // the temple whose strips settle into place
constexpr int kSlotModelBackdrop = 20;   // the studio behind the wireframe models
constexpr int kSlotLens = 21;            // the graph paper behind and inside the lenses
constexpr int kSlotBanner = 22;          // the group's banner crossed by the camera
constexpr int kSlotClosingTitle = 23;    // the closing logo
constexpr int kSlotOpeningTitle = 24;    // the opening logo

// Display lists: three models compiled at start-up, and the lens, which
// LensBubbles records and plays back for each lens it draws.
constexpr int kListSphere = 2;
constexpr int kListCube = 3;
constexpr int kListLens = 4;
constexpr int kListDuck = 5;

struct TTextureAsset {
  int slot;
  const char* file;       // 24-bit BMP
  const char* alphaFile;  // grey BMP giving the alpha (an RGBA texture), or null (RGB)
  double shownAspect;     // width / height of the card its scene shows it on
  bool pixelArt;          // drawn magnified with nearest filtering
};
// In the order LoadStartupTextures loads them: slot 24 comes before 23.
constexpr TTextureAsset kTextureAssets[] = {
    {kSlotSpriteRing, "trumpet.bmp", "trumpetalpha.bmp", 1.0, false},
    {kSlotWavyStrips, "mortak.bmp", nullptr, 1.333, false},
    {kSlotTileWall, "image4.bmp", nullptr, 1.0, true},
    {kSlotEchoPlanet, "image10.bmp", nullptr, 2.0, false},
    {kSlotEchoSun, "image8.bmp", nullptr, 2.0, false},
    {kSlotColorSplit, "spheremap.bmp", nullptr, 1.0, false},
    {kSlotParticleSprite, "blob2.bmp", nullptr, 1.0, false},
    {kSlotTrailCaption, "trail.bmp", nullptr, 2.0, false},
    {kSlotUnfold, "image3.bmp", nullptr, 1.63, false},
    {kSlotSettlingStrips, "vantoril.bmp", nullptr, 1.69, false},
    {kSlotModelBackdrop, "image6.bmp", nullptr, 1.43, false},
    {kSlotLens, "image11.bmp", nullptr, 1.43, false},
    {kSlotBanner, "log1.bmp", nullptr, 4.0, false},
    {kSlotOpeningTitle, "log2.bmp", nullptr, 1.125, false},
    {kSlotClosingTitle, "kel.bmp", nullptr, 1.125, false},
};

struct TMeshAsset {
  int list;
  const char* file;  // 3D-Studio ASCII mesh
};
// Compiled in this order by CompileStartupMeshes.
constexpr TMeshAsset kMeshAssets[] = {
    {kListDuck, "duck.asc"},
    {kListSphere, "sphere.asc"},
    {kListCube, "cube.asc"},
};

// The file display list `list` is compiled from (null for a list no file
// gives, such as the lens, which is recorded every frame).
constexpr const char* MeshFile(int list) {
  for (const TMeshAsset& mesh : kMeshAssets)
    if (mesh.list == list) return mesh.file;
  return nullptr;
}

constexpr const char* kMusicFile = "kel.mp3";

struct TPointAsset {
  const char* file;  // 3D-Studio ASCII mesh whose faces' first corners seed the particles
  int passes;        // particle keys taken from it
};
// Read in this order by SeedParticles: seven keys in all.
constexpr TPointAsset kPointAssets[] = {
    {"sphere.asc", 2},
    {"cube.asc", 2},
    {"trailblobs.asc", 3},
};
// The file that only seeds particles (no display list is compiled from it).
constexpr const char* kTrailPointsFile = kPointAssets[2].file;

// The distinct files of the tables above, each once, in start-up order:
// textures (an alpha picture after its colour), meshes, music, point files.
constexpr int kMaxAssetFiles = 32;
struct TAssetFiles {
  const char* names[kMaxAssetFiles];
  int count;
};

constexpr bool SameFileName(const char* a, const char* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return *a == *b;
}

constexpr void AddAssetFile(TAssetFiles& files, const char* name) {
  for (int i = 0; i < files.count; ++i)
    if (SameFileName(files.names[i], name)) return;
  files.names[files.count++] = name;
}

constexpr TAssetFiles ListAssetFiles() {
  TAssetFiles files{};
  for (const TTextureAsset& texture : kTextureAssets) {
    AddAssetFile(files, texture.file);
    if (texture.alphaFile) AddAssetFile(files, texture.alphaFile);
  }
  for (const TMeshAsset& mesh : kMeshAssets) AddAssetFile(files, mesh.file);
  AddAssetFile(files, kMusicFile);
  for (const TPointAsset& points : kPointAssets) AddAssetFile(files, points.file);
  return files;
}

constexpr TAssetFiles kAssetFiles = ListAssetFiles();
constexpr int kAssetFileCount = kAssetFiles.count;  // 16 pictures, 4 meshes, the music
