// Start-up on the offscreen rig, each case in a fresh folder: this binary
// runs LoadDemo itself, so it is kept apart from the tests that share one
// loaded demo.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "demo/demo.h"
#include "hosts/offscreen/offscreen_demo.h"
#include "platform/graphics/gl.h"
#include "platform/platform.h"

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(OpenDemoOffscreen(160, 120, &why)) << why;
    char pattern[] = "/tmp/kelvane-startup-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::remove((dir_ + "/kel.mp3").c_str());
    rmdir(dir_.c_str());
    CloseOffscreen();
  }
  void PutMusicFile() {
    FILE* f = std::fopen((dir_ + "/kel.mp3").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("stand-in: the rig's sound layer only opens it", f);
    std::fclose(f);
  }
  std::string dir_;
};

void ExpectPerspective(double fovy, double aspect, double zNear, double zFar) {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  const double f = 1.0 / std::tan(fovy * M_PI / 360.0);
  EXPECT_NEAR(m[0], f / aspect, 1e-6);
  EXPECT_NEAR(m[5], f, 1e-6);
  EXPECT_NEAR(m[10], (zFar + zNear) / (zNear - zFar), 1e-6);
  EXPECT_NEAR(m[14], 2 * zFar * zNear / (zNear - zFar), 1e-9);
  EXPECT_EQ(m[11], -1.0);
}

}  // namespace

TEST_F(Startup, SetsTheStartupProjectionThenTheFirstAppearanceReplacesIt) {
  SetRigTicks(5000.0);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  LoadDemo(160, 120);
  ExpectPerspective(45.0, 160.0f / 120.0f, 0.001, 57.0);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  GLfloat clearDepth;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
  EXPECT_EQ(clearDepth, 1.0f);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_EQ(StartTime, 5000.0);
  ResizeProjection(160, 120);
  ExpectPerspective(62.0, 160.0f / 120.0f, 0.01, 174.0);
}

TEST_F(Startup, MultipliesOntoWhateverTheProjectionHolds) {
  // The start-up projection is multiplied on, not loaded: a scale already on
  // the projection stack shows through.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScaled(2.0, 1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  LoadDemo(160, 120);
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
  EXPECT_NEAR(m[0], 2.0 * f / (160.0 / 120.0), 1e-6);
}

TEST_F(Startup, MissingMusicGivesASilentRunThatStillEnds) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  EXPECT_EQ(LoadDemo(160, 120), -1);
  EXPECT_EQ(RigLoadedSample(), "kel.mp3");
  EXPECT_EQ(RigPlayCount(), 0);
  ResizeProjection(160, 120);
  EXPECT_TRUE(DrawFrameAt(650.0, 0.0f));
  EXPECT_FALSE(DrawFrameAt(1300.5, 0.0f));
  EXPECT_EQ(RigEndStatus(), 0);
}

TEST_F(Startup, StampsStartTimeAndStartsTheMusic) {
  PutMusicFile();
  SetRigTicks(123456.0);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  EXPECT_EQ(LoadDemo(160, 120), 0);
  EXPECT_EQ(RigPlayCount(), 1);
  EXPECT_EQ(StartTime, 123456.0);
  // The clock is read once, after everything is loaded and just before
  // playback: demo time 0 is the moment the music starts.
  const std::vector<std::string> order = {"InitSound", "LoadSample", "TickCount", "PlaySample"};
  EXPECT_EQ(RigPlatformCalls(), order);
  // The first frame's demo time counts from the start of playback.
  SetRigTicks(123456.0 + 500.0);
  DrawFrame();
  EXPECT_DOUBLE_EQ(DemoTime, 4.9);
}

TEST_F(Startup, NoSoundOutputEndsWithStatus1AfterTexturesAndListsAreLoaded) {
  PutMusicFile();
  TRigSound sound;
  sound.initFails = true;
  SetRigSound(sound);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  EXPECT_FALSE(StartDemoOffscreen(nullptr));
  EXPECT_EQ(RigEndStatus(), 1);
  EXPECT_EQ(RigLoadedSample(), "");  // the music was never loaded
  EXPECT_EQ(RigPlayCount(), 0);
  for (int slot = 10; slot <= 24; ++slot) EXPECT_NE(TextureSlot(Textures, slot), 0u) << slot;
  EXPECT_TRUE(glIsList(5));
  EXPECT_TRUE(glIsList(2));
  EXPECT_TRUE(glIsList(3));
}

// A data folder the rig cannot enter loads nothing and says why; one it can
// enter is left again for the folder it started in, even when that folder has
// since been removed and has no path any more.
TEST_F(Startup, DataFolderItCannotEnterLoadsNothingAndTheStartingFolderIsKept) {
  std::string why;
  EXPECT_FALSE(StartDemoOffscreen((dir_ + "/absent").c_str(), &why));
  EXPECT_NE(why.find(dir_ + "/absent"), std::string::npos) << why;
  EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
  EXPECT_TRUE(RigPlatformCalls().empty());

  const std::string gone = dir_ + "/gone";
  ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
  ASSERT_EQ(chdir(gone.c_str()), 0);
  struct stat before, after;
  ASSERT_EQ(stat(".", &before), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  PutMusicFile();
  EXPECT_TRUE(StartDemoOffscreen(dir_.c_str(), &why)) << why;
  EXPECT_EQ(RigLoadedSample(), "kel.mp3");
  EXPECT_EQ(RigPlayCount(), 1);
  ASSERT_EQ(stat(".", &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_dev, before.st_dev);
}
