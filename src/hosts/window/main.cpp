// Kelvane: one window, one piece of music, fifteen scenes, 1300 demo units.
// It reads no command line, no environment and no configuration.
#include "assets/data_folder.h"
#include "hosts/window/form.h"
#include "platform/sdl/sdl_common.h"
#include "platform/sdl/window.h"

int main() {
  ShowStderrInBoxAtExit("Kelvane");
  EnterDataFolderBesideProgram();
  InstallWindowPlatform();
  return RunDemoWindow(kFormWindow, kFormHandlers);
}
