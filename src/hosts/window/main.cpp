// Kelvane: one window, one piece of music, fifteen scenes, 1300 demo units.
// It reads no command line, no environment and no configuration.
#include "hosts/window/form.h"
#include "platform/sdl/window.h"

int main() {
  InstallWindowPlatform();
  return RunDemoWindow(kFormWindow, kFormHandlers);
}
