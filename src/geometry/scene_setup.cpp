#include "geometry/scene_setup.h"

#include "assets/textures.h"

void BeginTexturedScene(int slot, GLenum source, GLenum destination, double eyeZ) {
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(source, destination);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, TextureSlot(Textures, slot));
  glEnable(GL_TEXTURE_2D);
  gluLookAt(0, 0, eyeZ, 0, 0, 0, 0, 1, 0);
}
