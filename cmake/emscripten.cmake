# The toolchain of the web page: Debian's Emscripten, whose own toolchain
# file this wraps. Two things it needs that its file does not give:
# - a cache of its own. Debian's cache under /usr/share holds the prebuilt
#   system libraries but is not ours to write (emcc takes a lock file in
#   it), so the build's cache links to those libraries and keeps its lock
#   beside them;
# - the machine's node modules (acorn) on NODE_PATH.
# Both reach every emcc call through the compiler and linker launchers, so a
# build started from any shell works.
set(KELVANE_EMSCRIPTEN_ROOT /usr/share/emscripten)
if(NOT EXISTS ${KELVANE_EMSCRIPTEN_ROOT}/emcc.py)
  message(FATAL_ERROR "Emscripten is missing: apt-get install emscripten")
endif()
if(NOT DEFINED ENV{EM_CACHE})
  set(ENV{EM_CACHE} ${CMAKE_BINARY_DIR}/em-cache)
endif()
file(MAKE_DIRECTORY $ENV{EM_CACHE})
file(GLOB system_cache RELATIVE ${KELVANE_EMSCRIPTEN_ROOT}/cache ${KELVANE_EMSCRIPTEN_ROOT}/cache/*)
foreach(entry ${system_cache})
  if(NOT entry STREQUAL "cache.lock" AND NOT EXISTS $ENV{EM_CACHE}/${entry})
    file(CREATE_LINK ${KELVANE_EMSCRIPTEN_ROOT}/cache/${entry} $ENV{EM_CACHE}/${entry} SYMBOLIC)
  endif()
endforeach()
if(NOT "$ENV{NODE_PATH}" MATCHES "/usr/share/nodejs")
  if("$ENV{NODE_PATH}" STREQUAL "")
    set(ENV{NODE_PATH} /usr/share/nodejs)
  else()
    set(ENV{NODE_PATH} "/usr/share/nodejs:$ENV{NODE_PATH}")
  endif()
endif()
set(launcher ${CMAKE_COMMAND} -E env EM_CACHE=$ENV{EM_CACHE} NODE_PATH=$ENV{NODE_PATH})
set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
set(CMAKE_CXX_LINKER_LAUNCHER ${launcher})
include(${KELVANE_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
