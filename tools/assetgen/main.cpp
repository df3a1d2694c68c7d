// kelvane-assetgen DIR: writes the complete asset pack into DIR.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "assetgen/assetgen.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc == 2 ? stdout : stderr, "usage: kelvane-assetgen DIR\n"
                 "Writes the demo's pictures, meshes and music into DIR.\n");
    return argc == 2 ? 0 : 2;
  }
  const std::string dir = argv[1];
  mkdir(dir.c_str(), 0755);
  bool ok = WritePictures(dir);
  ok = WriteMeshes(dir) && ok;
  ok = WriteMusic(dir) && ok;
  return ok ? 0 : 1;
}
