// The demo on the offscreen rig: start-up in the data folder.
#include "hosts/offscreen/offscreen_demo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "demo/demo.h"
#include "platform/platform.h"

bool OpenDemoOffscreen(int width, int height, std::string* error) {
  if (!OpenOffscreen(width, height, error)) return false;
  Platform = TPlatform{RigTickCount,    RigInitSound,    RigLoadSample, RigPlaySample,
                       RigChannelLevel, RigPresentFrame, RigEndProcess};
  return true;
}

bool StartDemoOffscreen(const char* dataDir, std::string* error) {
  // The way back is kept as an open folder rather than a path: it works when
  // the current folder has been removed or its path is too long for getcwd.
  int previous = -1;
  if (dataDir) {
    previous = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous < 0) previous = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (chdir(dataDir) != 0) {
      const int why = errno;
      if (previous >= 0) close(previous);
      if (error)
        *error = std::string("cannot enter the data folder ") + dataDir + ": " + std::strerror(why);
      return false;
    }
  }
  ClearRigEndStatus();
  LoadDemo(OffscreenWidth(), OffscreenHeight());
  if (previous >= 0) {
    if (fchdir(previous) != 0) std::perror("kelvane: cannot return to the starting folder");
    close(previous);
  }
  if (RigEndStatus() >= 0) {
    if (error) *error = "LoadDemo ended the process with status " + std::to_string(RigEndStatus());
    return false;
  }
  ResizeProjection(OffscreenWidth(), OffscreenHeight());  // the window's first appearance
  return true;
}
