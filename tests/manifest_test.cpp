// The asset manifest against the pack the generator wrote into build/data.
#include "assets/manifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "assets/textures.h"

TEST(Manifest, SlotsAndListsAreDistinct) {
  std::set<int> slots, lists{kListLens};
  for (const TTextureAsset& t : kTextureAssets) {
    EXPECT_TRUE(slots.insert(t.slot).second) << t.slot;
    EXPECT_TRUE(t.slot > 0 && t.slot < kTextureSlots) << t.slot;
  }
  for (const TMeshAsset& m : kMeshAssets) EXPECT_TRUE(lists.insert(m.list).second) << m.list;
  EXPECT_EQ(slots.size(), 15u);
  EXPECT_EQ(lists.size(), 4u);
}

TEST(Manifest, FilesAreTheGeneratedPack) {
  const std::set<std::string> files(kAssetFiles.names, kAssetFiles.names + kAssetFileCount);
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(KELVANE_DATA_DIR)) {
    const std::string name = entry.path().filename().string();
    if (name[0] != '.') written.insert(name);
  }
  EXPECT_EQ(files.size(), size_t{kAssetFileCount});
  EXPECT_EQ(files, written);
}
