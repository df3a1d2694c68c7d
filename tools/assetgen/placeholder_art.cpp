// Temporary: replaced by the picture and mesh generators.
#include "assetgen/assetgen.h"
bool WritePictures(const std::string&) { return true; }
bool WriteMeshes(const std::string&) { return true; }
