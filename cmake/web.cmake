# The web page, built through Emscripten's toolchain (cmake/emscripten.cmake,
# the `web` preset, or the native build's KELVANE_WEB step): the demo's core
# on the fixed-function layer over WebGL, the browser's platform and the
# page's program, with the asset pack the native build generated.
# KELVANE_WEB_OUT gets index.html, kelvane.js, kelvane.wasm, the pack
# gzipped as kelvane.data.gz (the page inflates it with the browser's
# DecompressionStream, so any static server sends a third of the bytes) and
# favicon.png.
set(KELVANE_WEB_DATA "" CACHE PATH "The asset pack's folder (build/data of a native build)")
set(KELVANE_WEB_ICON "" CACHE FILEPATH "The page's icon (build/icons/64x64/kelvane.png)")
set(KELVANE_WEB_OUT ${CMAKE_BINARY_DIR}/web CACHE PATH "Where the page is written")
if(NOT EXISTS "${KELVANE_WEB_DATA}/kel.mp3" OR NOT EXISTS "${KELVANE_WEB_ICON}")
  message(FATAL_ERROR "The web page needs the asset pack and the icon of a native build: "
                      "build it first (cmake --workflow --preset dev), or give "
                      "-DKELVANE_WEB_DATA=DIR and -DKELVANE_WEB_ICON=PNG")
endif()

include(cmake/sources.cmake)
add_executable(kelvane ${KELVANE_PLATFORM_SOURCES} ${KELVANE_GLES_SOURCES}
                       ${KELVANE_WEB_PLATFORM_SOURCES} ${KELVANE_DEMO_SOURCES}
                       ${KELVANE_WEB_HOST_SOURCES})
target_include_directories(kelvane PRIVATE src)
target_compile_definitions(kelvane PRIVATE KELVANE_GLES)
target_compile_options(kelvane PRIVATE -O2)

# The pack: the generated files only, not the build's stamp files, staged
# anew whenever the generator writes them.
set(pack ${CMAKE_BINARY_DIR}/pack)
file(GLOB pack_stamps ${KELVANE_WEB_DATA}/.generated-*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pack.staged
  COMMAND ${CMAKE_COMMAND} -DFROM=${KELVANE_WEB_DATA} -DTO=${pack}
          -P ${PROJECT_SOURCE_DIR}/cmake/stage_pack.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/pack.staged
  DEPENDS ${pack_stamps}
  COMMENT "Staging the asset pack for the web page")
add_custom_target(web_pack DEPENDS ${CMAKE_BINARY_DIR}/pack.staged)
add_dependencies(kelvane web_pack)

# What the page calls (src/hosts/web/web_main.cpp).
set(exports _main _malloc _free _KelvanePrepare _KelvaneMusicFromFloat _KelvanePlay
            _KelvaneSeek _KelvanePause _KelvanePaused _KelvaneSetReduced _KelvaneDemoTime
            _KelvaneReducedFlashing _KelvaneStill _KelvaneRenderAt _KelvaneRowCount
            _KelvaneRunningSeconds _KelvaneRowTime _KelvaneRowBound _KelvaneRowScene
            _KelvaneRowTitle _KelvaneRowAt _KelvaneLevelAt)
list(JOIN exports "," exports)
target_link_options(kelvane PRIVATE -O2 -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 "-sEXPORTED_FUNCTIONS=${exports}"
  -sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString "SHELL:--preload-file ${pack}@/")
set_target_properties(kelvane PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${KELVANE_WEB_OUT}
                                         LINK_DEPENDS ${CMAKE_BINARY_DIR}/pack.staged)
# gzip is part of every Debian system; -n leaves out the time, so the same
# pack gives the same bytes.
find_program(KELVANE_GZIP gzip REQUIRED)
add_custom_command(TARGET kelvane POST_BUILD
  COMMAND ${KELVANE_GZIP} -9 -n -f ${KELVANE_WEB_OUT}/kelvane.data
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/index.html ${KELVANE_WEB_OUT}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy ${KELVANE_WEB_ICON} ${KELVANE_WEB_OUT}/favicon.png)
# A new page without a new program still reaches the output folder.
add_custom_target(web_page ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/web/index.html
          ${KELVANE_WEB_OUT}/index.html
  DEPENDS kelvane)
