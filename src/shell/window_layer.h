// The window layer: creates OpenGL_Form on SDL2, runs FormCreate, shows the
// window and runs the event loop, delivering resize, mouse and timer events
// to the form's handlers on this one thread. Returns the exit status.
#pragma once

int RunDemoWindow();
