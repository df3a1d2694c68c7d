// The unit card every textured scene draws, and the state the card scenes
// share.
#include "assets/textures.h"
#include "platform/gl.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

void DrawUnitCard() {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(-1, -1, 0);
  glTexCoord2f(1, 0);
  glVertex3f(1, -1, 0);
  glTexCoord2f(1, 1);
  glVertex3f(1, 1, 0);
  glTexCoord2f(0, 1);
  glVertex3f(-1, 1, 0);
  glEnd();
}

void SetCardState(int slot) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);
  glBindTexture(GL_TEXTURE_2D, TextureSlot(Textures, slot));
  glEnable(GL_TEXTURE_2D);
}
