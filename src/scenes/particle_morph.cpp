// The particle morph scene: 2000 sprites following their splines from the
// sphere to the cube to the trail blobs, each jittered every frame by draws
// from the shared generator that TakeParticleJitter takes for the frame.
#include "assets/manifest.h"
#include "assets/textures.h"
#include "geometry/particles.h"
#include "platform/graphics/gl.h"
#include "scenes/clock.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "scenes/windows.h"

namespace {

const double kTrailAfter = 130.0;  // scene time s, strictly above (D > 518.33)

// Jitter of one sprite coordinate, -0.015 to 0.014997, from the shared
// generator.
double Jitter() { return (RandomBelow(10000) * 0.0001 - 0.5) * 0.03; }

// The frame's jitter, x then y for each particle. Written only by
// TakeParticleJitter, read by ParticleMorph.
double jitter[kParticleCount][2];

}  // namespace

void TakeParticleJitter(double d) {
  if (!InWindow(kParticleMorphWindow, d)) return;
  for (double(&xy)[2] : jitter) {
    xy[0] = Jitter();
    xy[1] = Jitter();
  }
}

void ParticleMorph() {
  const double d = DemoTime;
  if (!InWindow(kParticleMorphWindow, d)) return;
  const double s = (d - kParticleMorphWindow.start) * 1.2;

  BeginTexturedScene(kSlotParticleSprite, GL_ONE, GL_ONE, 2.4);
  glColor3f(0.6f, 0.6f, 1.0f);

  // Keyframe time: 1 at D = 410, 5.08 at D = 580.
  const double kt = s * 0.02 + 1.0;
  for (int i = 0; i < kParticleCount; ++i) {
    TParticle& particle = particles[i];
    TVector p, q, r;
    particle.Evaluate(kt, p, q, r);
    // Only channel 0 is drawn; later frames skip the other two splines.
    particle.channelCount = 1;
    glPushMatrix();
    const double jx = jitter[i][0];
    const double jy = jitter[i][1];
    glTranslatef(static_cast<float>(p.GetX() + jx), static_cast<float>(p.GetY() + jy),
                 static_cast<float>(p.GetZ()));
    glScalef(0.08915f, 0.08915f, 0.2f);
    DrawUnitCard();
    glPopMatrix();
  }

  if (s > kTrailAfter) {
    // x from -1.6 to -0.4, y from -1.3 to -0.7, in the same colour.
    glBindTexture(GL_TEXTURE_2D, TextureSlot(Textures, kSlotTrailCaption));
    glTranslatef(-1, -1, 0);
    glScalef(0.6f, 0.3f, 0.3f);
    glPushMatrix();
    DrawUnitCard();
    glPopMatrix();
  }
  glPopMatrix();
}
