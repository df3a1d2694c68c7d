// Start-up: everything the timeline needs is prepared here, once, so that no
// frame reads a file. StartTime is stamped only after all of it, just before
// playback, so demo time 0 is the moment the music starts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "assets/asc_mesh.h"
#include "assets/manifest.h"
#include "assets/textures.h"
#include "demo/demo.h"
#include "geometry/particles.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"

double StartTime = 0.0;

// One line on stderr when files the demo loads are missing from the working
// folder: it then plays with black pictures, empty models or in silence.
void ReportMissingAssets() {
  int missing = 0;
  for (int i = 0; i < kAssetFileCount; ++i) {
    const char* file = kAssetFiles.names[i];
    struct stat info;
    missing += stat(file, &info) != 0 || !S_ISREG(info.st_mode);
  }
  if (missing == 0) return;
  char folder[4096];
  if (!getcwd(folder, sizeof folder)) std::snprintf(folder, sizeof folder, "%s", ".");
  std::fprintf(stderr,
               "kelvane: %d of its %d asset files are missing from %s; start it from the folder "
               "that holds them (build/data in a build tree) or with the installed launcher "
               "'kelvane'\n",
               missing, kAssetFileCount, folder);
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
