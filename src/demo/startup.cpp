// Start-up: everything the timeline needs is prepared here, once, so that no
// frame reads a file. StartTime is stamped only after all of it, just before
// playback, so demo time 0 is the moment the music starts.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "assets/asc_mesh.h"
#include "assets/data_folder.h"
#include "assets/manifest.h"
#include "assets/textures.h"
#include "demo/demo.h"
#include "geometry/particles.h"
#include "platform/files/regular_file.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"

double StartTime = 0.0;

// One line on stderr when files the demo loads are missing from the working
// folder: it then plays with black pictures, empty models or in silence.
void ReportMissingAssets() {
  int missing = 0;
  for (int i = 0; i < kAssetFileCount; ++i) {
    missing += RegularFileSize(kAssetFiles.names[i]) < 0;
  }
  if (missing == 0) return;
  std::error_code failed;
  const std::string folder = std::filesystem::current_path(failed).u8string();
  std::fprintf(stderr, "kelvane: %d of its %d asset files are missing from %s; %s\n", missing,
               kAssetFileCount, failed ? "." : folder.c_str(), MissingAssetsHint());
}

namespace {
// The music, decoded whole into memory by the sound layer. Null when
// "kel.mp3" is missing or unreadable: the demo then runs in silence.
void* MusicSample = nullptr;
}  // namespace

int LoadDemo(int clientWidth, int clientHeight) {
  LoadStartupTextures(Textures);
  CompileStartupMeshes();

  if (!Platform.InitSound(44100, 32)) {
    Platform.EndProcess(1);
    return -1;
  }
  MusicSample = Platform.LoadSample(kMusicFile);

  SeedParticles();

  // Start-up projection, multiplied onto the identity the new context holds.
  // The window's first appearance replaces it before any frame is drawn.
  glClearDepth(1.0);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(45.0, static_cast<float>(clientWidth) / static_cast<float>(clientHeight), 0.001,
                 57.0);
  glMatrixMode(GL_MODELVIEW);

  StartTime = Platform.TickCount();
  return Platform.PlaySample(MusicSample);
}
