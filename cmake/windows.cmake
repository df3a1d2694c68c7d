# The Windows build, through cmake/mingw-w64.cmake: the demo (kelvane.exe)
# and the player (kelvane-player.exe) only, on SDL2, SDL2_mixer, SDL2_ttf,
# FreeType and libpng built from Debian's source packages
# (scripts/windows-deps.sh, into deps/ under this build folder, once). The
# tools that need EGL or ffmpeg, the generator, the tests and the web page
# stay on Linux; the asset pack is the Linux build's, the
# same bytes (KELVANE_WINDOWS_DATA). `cpack` (or the target windows_zip)
# makes kelvane-VERSION-win64.zip.
set(KELVANE_WINDOWS_DATA "" CACHE PATH "The asset pack a Linux build made (build/data)")
if(NOT EXISTS "${KELVANE_WINDOWS_DATA}/kel.mp3")
  message(FATAL_ERROR "KELVANE_WINDOWS_DATA (${KELVANE_WINDOWS_DATA}) holds no asset pack: "
                      "build the Linux preset first and point it at build/data")
endif()

set(KELVANE_WINDOWS_ICON "" CACHE FILEPATH "The programs' icon a Linux build drew (build/icons/kelvane.ico)")
if(NOT EXISTS "${KELVANE_WINDOWS_ICON}")
  message(FATAL_ERROR "KELVANE_WINDOWS_ICON (${KELVANE_WINDOWS_ICON}) is missing: "
                      "build the Linux preset first and point it at build/icons/kelvane.ico")
endif()
enable_language(RC)

set(deps ${CMAKE_BINARY_DIR}/deps)
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/windows-deps.sh ${deps} ${CMAKE_TOOLCHAIN_FILE}
  RESULT_VARIABLE deps_failed)
if(deps_failed)
  message(FATAL_ERROR "The libraries for Windows could not be built (see above)")
endif()
set(SDL2_DIR ${deps}/lib/cmake/SDL2)
set(SDL2_mixer_DIR ${deps}/lib/cmake/SDL2_mixer)
set(SDL2_ttf_DIR ${deps}/lib/cmake/SDL2_ttf)
list(APPEND CMAKE_FIND_ROOT_PATH ${deps})
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)
find_package(SDL2_ttf REQUIRED CONFIG)
set(ZLIB_LIBRARY /usr/${KELVANE_MINGW_TRIPLET}/lib/libz.a)
find_package(PNG REQUIRED)
set(sdl_dlls ${deps}/bin/SDL2.dll ${deps}/bin/SDL2_mixer.dll ${deps}/bin/SDL2_ttf.dll)
# The player's font; Windows has no DejaVu Sans of its own.
set(osd_font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)
# Beside the programs, so that they run from the build folder too.
file(COPY ${sdl_dlls} ${osd_font} DESTINATION ${CMAKE_BINARY_DIR})

# Hardening as far as mingw offers it: the stack protector (its runtime in
# libssp) and _FORTIFY_SOURCE; ASLR (high entropy) and DEP are the linker's
# defaults. The C and C++ runtimes and the threads library are linked in, so
# the programs need only Windows' own DLLs and SDL's.
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
                    $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
                        KELVANE_VERSION="${PROJECT_VERSION}")
add_link_options(-static)

include(cmake/sources.cmake)
list(TRANSFORM KELVANE_PLATFORM_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
list(TRANSFORM KELVANE_DEMO_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
list(TRANSFORM KELVANE_DESKTOP_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
add_library(kelvane_core STATIC ${KELVANE_PLATFORM_SOURCES} ${KELVANE_DEMO_SOURCES}
                                ${KELVANE_SOUND_SDL_SOURCES} ${KELVANE_WINDOW_SDL_SOURCES}
                                ${KELVANE_DESKTOP_SOURCES})
target_include_directories(kelvane_core PUBLIC src)
target_link_libraries(kelvane_core PUBLIC SDL2::SDL2 SDL2_mixer::SDL2_mixer opengl32 glu32 ssp)

# Each program's icon and version (packaging/windows/program.rc.in).
foreach(program kelvane kelvane-player)
  set(program_name ${program})
  if(program STREQUAL kelvane)
    set(program_description "Kelvane, a real-time demo with music")
  else()
    set(program_description "Kelvane's player: pause, seek, fullscreen")
  endif()
  configure_file(packaging/windows/program.rc.in ${CMAKE_BINARY_DIR}/${program}.rc @ONLY)
endforeach()

# Both are GUI programs (-mwindows): a double-click opens no console.
add_executable(kelvane WIN32 ${KELVANE_WINDOW_HOST_SOURCES} src/hosts/window/main.cpp
                             ${CMAKE_BINARY_DIR}/kelvane.rc)
target_link_libraries(kelvane PRIVATE kelvane_core)
add_executable(kelvane-player WIN32 tools/player/arguments.cpp tools/player/playhead.cpp
                                    tools/player/main.cpp tools/player/display.cpp
                                    tools/png_file.cpp ${KELVANE_PLAYER_OSD_SOURCES}
                                    ${CMAKE_BINARY_DIR}/kelvane-player.rc)
target_include_directories(kelvane-player PRIVATE tools)
target_link_libraries(kelvane-player PRIVATE kelvane_core SDL2_ttf::SDL2_ttf PNG::PNG)

# The zip: the programs, SDL's DLLs, the player's font, the pack in data\,
# README.txt and the licences.
set(KELVANE_WINDOWS_README ${CMAKE_BINARY_DIR}/README.txt)
configure_file(packaging/windows/README.txt.in ${KELVANE_WINDOWS_README} NEWLINE_STYLE CRLF)
install(TARGETS kelvane kelvane-player RUNTIME DESTINATION .)
install(FILES ${sdl_dlls} ${osd_font} ${KELVANE_WINDOWS_README} DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
foreach(library SDL2 SDL2_mixer SDL2_ttf FreeType libpng)
  install(FILES ${deps}/licenses/${library}.txt DESTINATION licenses)
endforeach()
install(FILES /usr/share/doc/fonts-dejavu-core/copyright DESTINATION licenses RENAME DejaVu.txt)
install(FILES /usr/share/doc/libz-mingw-w64-dev/copyright DESTINATION licenses RENAME zlib.txt)
install(DIRECTORY ${KELVANE_WINDOWS_DATA}/ DESTINATION data PATTERN ".generated-*" EXCLUDE)
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME kelvane-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# cpack installs without building first: windows_zip below runs it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
# Built by default, so the windows preset and the ci build end with the zip.
add_custom_target(windows_zip ALL
  COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  DEPENDS kelvane kelvane-player
  COMMENT "Packing kelvane-${PROJECT_VERSION}-win64.zip"
  VERBATIM)

# The test's decoder check (tests/windows.cmake), not packed.
add_executable(kelvane-music-levels tests/windows/music_levels.cpp)
target_link_libraries(kelvane-music-levels PRIVATE kelvane_core)
