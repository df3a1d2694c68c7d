// The window layer: creates OpenGL_Form on SDL2, runs FormCreate, shows the
// window and runs the event loop, delivering resize, mouse and timer events
// to the form's handlers on this one thread. Returns the exit status.
#pragma once

int RunDemoWindow();

// The steps of RunDemoWindow before its event loop, for the window layer's
// own tests. InstallWindowLayer fills the window
// layer and platform tables with SDL's functions. OpenDemoWindow starts SDL
// on a display (SDL_VIDEODRIVER, when set, chooses it), installs the tables
// and runs FormCreate; false when the program should end, with *status.
// ShowDemoWindow is the window's first appearance.
void InstallWindowLayer();
bool OpenDemoWindow(int* status);
void ShowDemoWindow();
