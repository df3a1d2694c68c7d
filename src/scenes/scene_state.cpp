#include "scenes/scene_state.h"

#include "assets/textures.h"

void SetCardState(int slot) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);
  glBindTexture(GL_TEXTURE_2D, TextureSlot(Textures, slot));
  glEnable(GL_TEXTURE_2D);
}

void BeginCardScene(int slot, GLenum source, GLenum destination, double eyeZ) {
  glPushMatrix();
  glLoadIdentity();
  SetCardState(slot);
  glBlendFunc(source, destination);
  gluLookAt(0, 0, eyeZ, 0, 0, 0, 0, 1, 0);
}

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
