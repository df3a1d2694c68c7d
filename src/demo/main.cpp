// Kelvane: one window, one piece of music, fifteen scenes, 1300 demo units.
// It reads no command line, no environment and no configuration.
#include "demo/form.h"
#include "platform/window.h"

int main() { return RunDemoWindow(kFormWindow, kFormHandlers); }
