// The GL side of the asset readers on the offscreen rig: the start-up
// textures (formats, filters, sizes, load order, fallbacks) and the start-up
// display lists.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "asset_support.h"
#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"
#include "assets/bitmap.h"
#include "assets/manifest.h"
#include "assets/textures.h"
#include "platform/graphics/gl.h"
#include "rig.h"

namespace {

// Runs body with the working directory set to dir.
template <typename F>
void InFolder(const std::string& dir, F body) {
  char previous[PATH_MAX];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  body();
  ASSERT_EQ(chdir(previous), 0);
}

struct TTexInfo {
  GLint width, height, alphaBits, minFilter, magFilter, level1Width;
};

TTexInfo Inspect(GLuint name) {
  TTexInfo info;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &info.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &info.height);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &info.alphaBits);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &info.level1Width);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &info.minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &info.magFilter);
  return info;
}

// Texels of level 0 as RGBA bytes.
std::vector<uint8_t> Texels(GLuint name) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  std::vector<uint8_t> texels(4 * static_cast<size_t>(w) * h);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return texels;
}

GLint BoundTexture() {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  return bound;
}

const char* const kSlotFiles[] = {"trumpetalpha.bmp", "mortak.bmp",    "image4.bmp", "image10.bmp",
                                  "image8.bmp",       "spheremap.bmp", "blob2.bmp",  "trail.bmp",
                                  "image3.bmp",       "vantoril.bmp",  "image6.bmp", "image11.bmp",
                                  "log1.bmp",         "kel.bmp",       "log2.bmp"};
constexpr int kFirstSlot = 10;
constexpr int kLastSlot = 24;

// Triangles a display list draws, counted in feedback mode under an
// orthographic view that holds the whole fitted cube.
int TrianglesDrawn(GLuint list) {
  std::vector<GLfloat> buffer(1 << 20);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glDisable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-4, 4, -4, 4, -4, 4);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  glCallList(list);
  const int used = glRenderMode(GL_RENDER);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
  int triangles = 0;
  for (int i = 0; i < used;) {
    if (buffer[i] != GL_POLYGON_TOKEN) return -1;  // nothing but polygons expected
    const int corners = static_cast<int>(buffer[i + 1]);
    if (corners == 3) ++triangles;
    i += 2 + 3 * corners;
  }
  return triangles;
}

int TotalFaces(const char* fileName) {
  int faces = 0;
  const int result = ParseAscFile(
      fileName,
      [](const TAscObject& o, void* count) {
        *static_cast<int*>(count) += o.faceCount;
        return true;
      },
      &faces);
  return result == 1 ? faces : 0;
}

}  // namespace

TEST(StartupTextures, SlotTenIsRGBAAndTheOthersRGBWithLinearFilters) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const GLint previous = BoundTexture();
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const GLuint name = TextureSlot(Textures, slot);
    ASSERT_NE(name, 0u) << "slot " << slot;
    ASSERT_TRUE(glIsTexture(name)) << "slot " << slot;
    const TTexInfo info = Inspect(name);
    if (slot == 10) {
      EXPECT_GT(info.alphaBits, 0);
    } else {
      EXPECT_EQ(info.alphaBits, 0) << "slot " << slot;
    }
    EXPECT_EQ(info.minFilter, GL_LINEAR) << "slot " << slot;
    EXPECT_EQ(info.magFilter, GL_LINEAR) << "slot " << slot;
    EXPECT_EQ(info.level1Width, 0) << "no mipmaps, slot " << slot;
    // The texture has its file's size, or one texel when the pack lacks it.
    TBitmap image;
    const std::string file = std::string(KELVANE_DATA_DIR) + "/" + kSlotFiles[slot - kFirstSlot];
    const bool readable = ReadBitmap(file.c_str(), &image);
    EXPECT_EQ(info.width, readable ? BitmapWidth(image) : 1) << "slot " << slot;
    EXPECT_EQ(info.height, readable ? BitmapRows(image) : 1) << "slot " << slot;
  }
  EXPECT_EQ(TextureSlot(Textures, 9), 0u);
  EXPECT_EQ(TextureSlot(Textures, 25), 0u);
  glBindTexture(GL_TEXTURE_2D, previous);
}

TEST(StartupTextures, FillsEachSlotFromItsFileInOrder) {
  ASSERT_TRUE(EnsureDemoLoaded());
  // A folder of 2 x 2 images, each a colour of its own: red = slot number.
  const std::string dir = AssetScratchDir() + "/startup";
  ASSERT_EQ(mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST, true);
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    WriteScratchFile(std::string("startup/") + kSlotFiles[slot - kFirstSlot],
                     SolidBmp(2, 2, 7, static_cast<uint8_t>(slot * 3), static_cast<uint8_t>(slot)));
  }
  WriteScratchFile("startup/trumpet.bmp", SolidBmp(2, 2, 1, 2, 3));
  const GLint previous = BoundTexture();
  static TTextureTable table = {};
  InFolder(dir, [] { LoadStartupTextures(table); });
  EXPECT_EQ(static_cast<GLuint>(BoundTexture()), TextureSlot(table, kSlotClosingTitle))
      << "last one left bound";

  for (int slot = kFirstSlot + 1; slot <= kLastSlot; ++slot) {
    const std::vector<uint8_t> texels = Texels(TextureSlot(table, slot));
    ASSERT_EQ(texels.size(), 16u);
    EXPECT_EQ(texels[0], slot) << "red of slot " << slot;
    EXPECT_EQ(texels[1], slot * 3);
    EXPECT_EQ(texels[2], 7);
    EXPECT_EQ(texels[3], 255);
  }
  // Slot 10: colour from "trumpet.bmp", alpha from the blue byte of
  // "trumpetalpha.bmp".
  const std::vector<uint8_t> trumpet = Texels(TextureSlot(table, kSlotSpriteRing));
  ASSERT_EQ(trumpet.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(trumpet.begin(), trumpet.begin() + 4),
            (std::vector<uint8_t>{3, 2, 1, 7}));

  // Names are handed out in increasing order, so sorting the slots by name
  // gives the load order: 10 to 22, then 24, then 23.
  std::vector<int> order;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) order.push_back(slot);
  std::sort(order.begin(), order.end(),
            [](int a, int b) { return TextureSlot(table, a) < TextureSlot(table, b); });
  const std::vector<int> expected = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 23};
  EXPECT_EQ(order, expected);
  glBindTexture(GL_TEXTURE_2D, previous);
}

TEST(TextureLoaders, UnreadableFilesGiveOneBlackTexel) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const GLint previous = BoundTexture();
  static TTextureTable table = {};
  LoadTexture(table, "/nonexistent/none.bmp", 500);
  const GLuint name = TextureSlot(table, 500);
  ASSERT_NE(name, 0u);
  EXPECT_EQ(static_cast<GLuint>(BoundTexture()), name);
  TTexInfo info = Inspect(name);
  EXPECT_EQ(info.width, 1);
  EXPECT_EQ(info.height, 1);
  EXPECT_EQ(Texels(name), (std::vector<uint8_t>{0, 0, 0, 255}));

  LoadAlphaTexture(table, "/nonexistent/a.bmp", "/nonexistent/b.bmp", 501);
  EXPECT_EQ(static_cast<GLuint>(BoundTexture()), TextureSlot(table, 501));
  info = Inspect(TextureSlot(table, 501));
  EXPECT_EQ(info.width, 1);
  EXPECT_GT(info.alphaBits, 0);
  EXPECT_EQ(Texels(TextureSlot(table, 501)), (std::vector<uint8_t>{0, 0, 0, 0}));

  // An 8-bit image: black at its own size.
  TBmpFields f;
  f.width = 4;
  f.height = 2;
  f.bitCount = 8;
  f.palette = 1024;
  const std::string path = WriteScratchFile("eight.bmp", MakeBmp(f, std::vector<uint8_t>(8, 9)));
  LoadTexture(table, path.c_str(), 502);
  info = Inspect(TextureSlot(table, 502));
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.height, 2);
  const std::vector<uint8_t> texels = Texels(TextureSlot(table, 502));
  for (size_t i = 0; i < texels.size(); ++i) EXPECT_EQ(texels[i], i % 4 == 3 ? 255 : 0);
  glBindTexture(GL_TEXTURE_2D, previous);
}

TEST(AssetFiles, SpecialFilesAreUnreadableAtOnce) {
  // A FIFO with no writer would block the open; /dev/zero never ends; a
  // folder is not a file. Each reads as missing, without waiting.
  const std::string fifo = AssetScratchDir() + "/fifo.bmp";
  const std::string zero = AssetScratchDir() + "/zero.asc";
  unlink(fifo.c_str());
  unlink(zero.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << errno;
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0) << errno;
  for (const std::string& path : {fifo, zero, AssetScratchDir()}) {
    TBitmap image;
    EXPECT_FALSE(ReadBitmap(path.c_str(), &image)) << path;
    int faces = 7;
    EXPECT_EQ(ReadAscPoints(path.c_str(), nullptr, &faces), -1) << path;
  }
}

// A fresh start-up in an empty folder resets the memory bound: every file is
// missing, so the loaded textures take 15 texels. The bound is 192 MiB; a
// 4096 x 4096 picture takes 64 of them.
class TextureBound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureDemoLoaded());
    previous_ = BoundTexture();
    ASSERT_NE(getcwd(here_, sizeof here_), nullptr);
    ASSERT_EQ(chdir(AssetScratchDir().c_str()), 0);
    LoadStartupTextures(table);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(here_), 0);
    for (int slot = 600; slot < 604; ++slot) {
      const GLuint name = TextureSlot(table, slot);
      if (name != 0) glDeleteTextures(1, &name);
    }
    glBindTexture(GL_TEXTURE_2D, previous_);
  }
  TTextureTable table = {};

 private:
  GLint previous_ = 0;
  char here_[PATH_MAX] = {};
};

TEST_F(TextureBound, PicturesPastItLoadAsOneBlackTexel) {
  // Three fit, the fourth not.
  const std::string path = WriteScratchFile("big.bmp", SolidBmp(4096, 4096, 0, 0, 200));
  for (int slot = 600; slot < 604; ++slot) LoadTexture(table, path.c_str(), slot);
  for (int slot = 600; slot < 603; ++slot) EXPECT_EQ(Inspect(TextureSlot(table, slot)).width, 4096);
  const GLuint refused = TextureSlot(table, 603);
  EXPECT_EQ(Inspect(refused).width, 1);
  EXPECT_EQ(Texels(refused), (std::vector<uint8_t>{0, 0, 0, 255}));
  unlink(path.c_str());
}

TEST_F(TextureBound, LoadingASlotAgainGivesBackItsBytes) {
  // The player's --watch loads a changed picture into its slot again: 64 MiB
  // four times over in one slot stays within the bound.
  const std::string path = WriteScratchFile("again.bmp", SolidBmp(4096, 4096, 0, 200, 0));
  for (int load = 0; load < 4; ++load) {
    GLuint old = TextureSlot(table, 600);
    if (old != 0) glDeleteTextures(1, &old);
    LoadTexture(table, path.c_str(), 600);
    EXPECT_EQ(Inspect(TextureSlot(table, 600)).width, 4096) << "load " << load + 1;
  }
  unlink(path.c_str());
}

TEST(StartupMeshes, ListsFiveTwoAndThreeDrawTheirTriangles) {
  ASSERT_TRUE(EnsureDemoLoaded());
  for (GLuint list : {5u, 2u, 3u}) EXPECT_TRUE(glIsList(list)) << "list " << list;

  // Our own three files, compiled by the start-up step, then the pack's
  // lists put back for the scene tests.
  const std::string dir = AssetScratchDir() + "/meshes";
  ASSERT_EQ(mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST, true);
  WriteScratchFile("meshes/duck.asc", SphereGridAsc(6, 4) + SphereGridAsc(3, 2));
  WriteScratchFile("meshes/sphere.asc", SphereGridAsc(10, 5));
  WriteScratchFile("meshes/cube.asc", SphereGridAsc(4, 3));
  InFolder(dir, [] { CompileStartupMeshes(); });
  EXPECT_EQ(TrianglesDrawn(5), 2 * 6 * 4 + 2 * 3 * 2);
  EXPECT_EQ(TrianglesDrawn(2), 2 * 10 * 5);
  EXPECT_EQ(TrianglesDrawn(3), 2 * 4 * 3);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The list leaves the last corner's smoothed normal current.
  std::vector<float> stream;
  ParseAscFile((dir + "/sphere.asc").c_str(),
               [](const TAscObject& o, void* out) {
                 auto* s = static_cast<std::vector<float>*>(out);
                 s->resize(static_cast<size_t>(kStreamFloatsPerFace) * o.faceCount);
                 return BuildTriangleStream(o, 1.0, s->data());
               },
               &stream);
  ASSERT_FALSE(stream.empty());
  glCallList(2);
  GLfloat normal[3];
  glGetFloatv(GL_CURRENT_NORMAL, normal);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(normal[k], stream[stream.size() - 6 + k]);

  InFolder(KELVANE_DATA_DIR, [] { CompileStartupMeshes(); });
  EXPECT_EQ(TrianglesDrawn(5), TotalFaces(KELVANE_DATA_DIR "/duck.asc"));
  EXPECT_EQ(TrianglesDrawn(2), TotalFaces(KELVANE_DATA_DIR "/sphere.asc"));
  EXPECT_EQ(TrianglesDrawn(3), TotalFaces(KELVANE_DATA_DIR "/cube.asc"));
}
