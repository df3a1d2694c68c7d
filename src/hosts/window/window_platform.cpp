// The window program's platform table: SDL2's clock, window and exit, and
// SDL2_mixer's sound.
#include "hosts/window/form.h"
#include "platform/audio/sound.h"
#include "platform/platform.h"
#include "platform/sdl/window.h"

void InstallWindowPlatform() {
  Platform = TPlatform{WindowTickCount,   OpenWindowSound,    LoadSoundSample, PlaySoundSample,
                       SoundChannelLevel, PresentWindowFrame, EndWindowProcess};
}
