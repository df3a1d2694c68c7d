# The demo's sources, part by part, for every build that compiles them: the
# native one (CMakeLists.txt) and the web page's (CMakeLists.txt through
# Emscripten's toolchain). Paths are relative to the project's root.
#
# The platform, split by concern. The table every host fills, the pure
# audio (level meter, the music's length check) and the file helpers go
# everywhere; the rest belongs to the hosts that use it.
set(KELVANE_PLATFORM_SOURCES
  src/platform/platform.cpp
  src/platform/files/regular_file.cpp
  src/platform/audio/level_meter.cpp
  src/platform/audio/sound_length.cpp)
# The fixed-function layer over OpenGL ES 2 and WebGL (the native build uses
# OpenGL 1.1 itself).
set(KELVANE_GLES_SOURCES src/platform/graphics/fixed_function.cpp)
# The sound layer over SDL2_mixer: the demo's playback, decoding for the
# tools, the player's stream.
set(KELVANE_SOUND_SDL_SOURCES src/platform/audio/sound_sdl.cpp
                              src/platform/audio/player_sound_sdl.cpp)
# The windows over SDL2: the demo's, the player's, and what both share.
set(KELVANE_WINDOW_SDL_SOURCES src/platform/sdl/sdl_common.cpp src/platform/sdl/window_sdl.cpp
                               src/platform/sdl/player_window_sdl.cpp)
# What a desktop program asks of its system: stop requests (signals,
# console events), its arguments as UTF-8 and the user's folders.
set(KELVANE_DESKTOP_SOURCES src/platform/process/stop_signals.cpp
                            src/platform/process/arguments.cpp
                            src/platform/files/user_folders.cpp)
# The player's on-screen display, on SDL2_ttf.
set(KELVANE_PLAYER_OSD_SOURCES src/platform/sdl/player_osd_sdl.cpp)
set(KELVANE_OFFSCREEN_SOURCES src/platform/offscreen/offscreen.cpp)
set(KELVANE_WEB_PLATFORM_SOURCES src/platform/web/web_platform.cpp)

# The demo's layers over the platform: assets, geometry, scenes and the demo
# every host shares (timeline, frame driver, start-up, flashing, clock).
file(GLOB KELVANE_DEMO_SOURCES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
  ${PROJECT_SOURCE_DIR}/src/assets/*.cpp ${PROJECT_SOURCE_DIR}/src/geometry/*.cpp
  ${PROJECT_SOURCE_DIR}/src/scenes/*.cpp ${PROJECT_SOURCE_DIR}/src/demo/*.cpp)

# The hosts: the programs that run the demo.
set(KELVANE_WINDOW_HOST_SOURCES src/hosts/window/form.cpp src/hosts/window/diagnostics.cpp
                                src/hosts/window/window_platform.cpp)
set(KELVANE_OFFSCREEN_HOST_SOURCES src/hosts/offscreen/offscreen_demo.cpp)
set(KELVANE_WEB_HOST_SOURCES src/hosts/web/web_main.cpp)
