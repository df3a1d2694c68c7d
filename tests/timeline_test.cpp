// The whole timeline through the real frame driver: every scene shows in its
// window and in no other, and the glitch frames show earlier moments.
//
// A scene "shows" at demo time d when the frame the driver draws changes
// with the picture in its texture slot: each frame is drawn with plain grey
// or plain black pictures in slots 10 to 24 and the frames compared. The grey
// is dark enough that additive scenes over opaque ones never saturate. The
// point tunnel has no picture; it is known by the point size it leaves.
#include "demo/timeline.h"

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "scene_fixture.h"

namespace {

const int kFirstSlot = 10, kLastSlot = 24;

struct TTimelineScene {
  const char* name;
  int slots[2];  // texture slots it draws from (0: none)
  double start, end;
  bool openEnds;  // the driver's own test for the sprite ring: (start, end)
};

const double kNoLowerBound = -1e9;
const TTimelineScene kScenes[] = {
    {"OpeningTitle", {24, 0}, kNoLowerBound, 60, false},
    {"EchoImage1", {14, 0}, 60, 140, false},
    {"EchoImage2", {13, 0}, 140, 220, false},
    {"UnfoldImage", {18, 0}, 220, 290, false},
    {"PointTunnel", {0, 0}, 290, 330, false},
    {"WavySlices", {11, 0}, 330, 410, false},
    {"ParticleMorph", {16, 17}, 410, 580, false},
    {"TileGrid", {12, 0}, 580, 680, false},
    {"ColorSplit", {15, 0}, 650, 760, false},
    {"ModelShowcase", {20, 0}, 760, 910, false},
    {"SettlingSlices", {19, 0}, 910, 1100, false},
    {"LensBubbles", {21, 0}, 1100, 1200, false},
    {"ClosingTitle", {23, 0}, 1200, 1260, false},
    {"PanBanner", {22, 0}, 300, 430, false},
    {"SpriteRing", {10, 0}, 752, 910, true},
};

bool InWindow(const TTimelineScene& s, double d) {
  return s.openEnds ? d > s.start && d < s.end : d >= s.start && d <= s.end;
}

// Whether d lies at least `margin` inside or outside every window edge.
bool ClearOfEdges(double d, double margin) {
  for (const auto& s : kScenes)
    if (std::fabs(d - s.start) < margin || std::fabs(d - s.end) < margin) return false;
  return true;
}

// Holds a grey and a black picture and puts slots 10 to 24 back on exit.
class Timeline : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureDemoLoaded());
    for (int s = kFirstSlot; s <= kLastSlot; ++s) saved_[s - kFirstSlot] = TextureSlot(Textures, s);
    grey_ = std::make_unique<TSlotTexture>(0, 120, 120, 120, 255);
    black_ = std::make_unique<TSlotTexture>(1, 0, 0, 0, 255);
  }
  void TearDown() override {
    for (int s = kFirstSlot; s <= kLastSlot; ++s) TextureSlot(Textures, s) = saved_[s - kFirstSlot];
    grey_.reset();
    black_.reset();
  }

  // Draws the frame at d through the driver with the slots in `blackSlots`
  // black and the others grey, after `skip` draws of the shared generator
  // from its start. Returns the pixels and whether the point size was set.
  std::vector<uint8_t> Draw(double d, const std::set<int>& blackSlots, int skip,
                            bool* pointsDrawn = nullptr) {
    for (int s = kFirstSlot; s <= kLastSlot; ++s)
      TextureSlot(Textures, s) = blackSlots.count(s) ? black_->name() : grey_->name();
    glPointSize(1);
    ResetRandom();
    for (int k = 0; k < skip; ++k) RandomBelow(10000);
    DrawFrameAt(d, 0.0f);
    if (pointsDrawn) {
      float size = 0;
      glGetFloatv(GL_POINT_SIZE, &size);
      *pointsDrawn = size == 2.0f;
    }
    return ReadFramePixels();
  }

  // Checks the frame at real time d, whose scenes see demo time seen: every
  // scene whose window holds `seen` shows, and no other.
  void CheckFrame(double d, double seen, int skip) {
    SCOPED_TRACE(::testing::Message() << "frame at " << d << " showing D = " << seen);
    std::set<int> expectedSlots, otherSlots;
    bool tunnelExpected = false;
    for (const auto& s : kScenes) {
      const bool in = InWindow(s, seen);
      if (s.slots[0] == 0) tunnelExpected = in;
      for (int slot : s.slots)
        if (slot != 0) (in ? expectedSlots : otherSlots).insert(slot);
    }
    bool tunnel = false;
    const auto allGrey = Draw(d, {}, skip, &tunnel);
    EXPECT_EQ(tunnel, tunnelExpected) << "PointTunnel";
    // No scene outside its window shows: blacking out every other slot
    // leaves the frame as it was.
    EXPECT_TRUE(Draw(d, otherSlots, skip) == allGrey) << "a scene drew outside its window";
    for (const auto& s : kScenes) {
      if (!InWindow(s, seen) || s.slots[0] == 0) continue;
      std::set<int> own;
      for (int slot : s.slots)
        if (slot != 0) own.insert(slot);
      EXPECT_FALSE(Draw(d, own, skip) == allGrey) << s.name << " does not show";
    }
  }

 private:
  uint32_t saved_[kLastSlot - kFirstSlot + 1] = {};
  std::unique_ptr<TSlotTexture> grey_, black_;
};

TEST_F(Timeline, EverySceneShowsInItsWindowAndNoOther) {
  // Every ten units, clear of the window edges and of the glitch window.
  for (double d = 5; d < 1300; d += 10) {
    if (d > 900 && d < 918) continue;
    CheckFrame(d, d, 0);
  }
}

TEST_F(Timeline, WindowEdgesAreWhereTheTableSays) {
  // Just outside each window the scene is silent; the glitch window's real
  // times never reach the scenes, so edges inside it are left out.
  for (const auto& s : kScenes) {
    for (double d :
         {s.start - 0.01, s.end + 0.01, s.openEnds ? s.start : -1e9, s.openEnds ? s.end : -1e9}) {
      if (d < 0 || (d > 900 && d < 918) || d > 1300) continue;
      SCOPED_TRACE(::testing::Message() << s.name << " at " << d);
      std::set<int> own;
      for (int slot : s.slots)
        if (slot != 0) own.insert(slot);
      bool tunnel = false;
      const auto allGrey = Draw(d, {}, 0, &tunnel);
      if (own.empty())
        EXPECT_FALSE(tunnel);
      else
        EXPECT_TRUE(Draw(d, own, 0) == allGrey);
    }
  }
}

TEST(TimelineTable, ScenesDrawnAtListsRowsInDrawingOrder) {
  auto drawn = [](double d) {
    int rows[kTimelineRows];
    std::string names;
    for (int i = 0, n = ScenesDrawnAt(d, rows); i < n; ++i)
      names += kTimeline[rows[i]].scene + std::string(" ");
    return names;
  };
  EXPECT_EQ(drawn(-5), "OpeningTitle ");
  EXPECT_EQ(drawn(410), "WavySlices ParticleMorph PanBanner ");
  EXPECT_EQ(drawn(752), "ColorSplit ");
  EXPECT_EQ(drawn(752.5), "ColorSplit SpriteRing ");
  EXPECT_EQ(drawn(910), "ModelShowcase SettlingSlices ModelShowcase ");
  EXPECT_EQ(drawn(1280), "");
}

TEST_F(Timeline, GlitchFramesShowEarlierMoments) {
  // Pick draws of the generator whose replaced time lands well inside a
  // variety of windows, and check each glitch frame shows exactly those.
  std::set<std::string> shown;
  int checked = 0;
  for (int skip = 0; skip < 400 && checked < 12; ++skip) {
    ResetRandom();
    for (int k = 0; k < skip; ++k) RandomBelow(10000);
    const double seen = RandomBelow(10000) * 800 * 0.0001;
    if (!ClearOfEdges(seen, 5)) continue;
    std::string names;
    for (const auto& s : kScenes)
      if (InWindow(s, seen)) names += std::string(s.name) + " ";
    if (shown.count(names)) continue;
    shown.insert(names);
    ++checked;
    CheckFrame(checked % 2 ? 905.0 : 912.5, seen, skip);
  }
  EXPECT_GE(checked, 8);
}

}  // namespace
