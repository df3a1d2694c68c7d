#include "demo/demo.h"
#include "platform/graphics/gl.h"

namespace {
// Aspect of the last resize with a non-zero height; the designed client area
// until the first resize.
float lastAspect =
    static_cast<float>(kDesignedClientWidth) / static_cast<float>(kDesignedClientHeight);
}  // namespace

void ResizeProjection(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A minimised window reports a height of 0; keep the last aspect rather
  // than hand GL an infinite, zero or NaN matrix.
  if (width > 0 && height > 0) lastAspect = static_cast<float>(width) / static_cast<float>(height);
  gluPerspective(62.0, lastAspect, 0.01, 174.0);
  glMatrixMode(GL_MODELVIEW);
}
