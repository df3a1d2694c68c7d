// Draws the middle of every timeline row on the offscreen rig, each as
// `kelvane-capture --at D --level 0` draws it (a fresh generator, level 0),
// into OUT/rowNN.png, and prints "NN D" for each. Built against the
// fixed-function layer on OpenGL ES 2, it gives the frames the layer's test
// compares with the GL 1.1 capture; with --times it only prints, adding
// each row's scene, and with --moments it prints three moments a row, "NN
// NAME D SCENE": the middle of its first demo unit, its middle and the
// middle of its last unit (NAME rowNN-first, rowNN, rowNN-last).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/timeline.h"
#include "hosts/offscreen/offscreen_demo.h"
#include "png_file.h"
#include "scenes/clock.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--times") == 0) {
    for (int i = 0; i < kTimelineRows; ++i)
      std::printf("%02d %g %s\n", i + 1, RowMiddle(kTimeline[i]), kTimeline[i].scene);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--moments") == 0) {
    for (int i = 0; i < kTimelineRows; ++i) {
      const TWindow& w = kTimeline[i].window;
      const double start = w.startEdge == TEdge::kUnbounded ? 0.0 : w.start;
      const char* scene = kTimeline[i].scene;
      std::printf("%02d row%02d-first %g %s\n", i + 1, i + 1, start + 0.5, scene);
      std::printf("%02d row%02d %g %s\n", i + 1, i + 1, RowMiddle(kTimeline[i]), scene);
      std::printf("%02d row%02d-last %g %s\n", i + 1, i + 1, w.end - 0.5, scene);
    }
    return 0;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: row_frames DATA_DIR OUT_DIR WIDTH HEIGHT | --times | --moments\n");
    return 2;
  }
  const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  std::string why;
  if (!OpenDemoOffscreen(width, height, &why)) {
    std::fprintf(stderr, "row_frames: %s\n", why.c_str());
    return 1;
  }
  if (!StartDemoOffscreen(argv[1], &why)) {
    std::fprintf(stderr, "row_frames: %s\n", why.c_str());
    return 1;
  }
  for (int i = 0; i < kTimelineRows; ++i) {
    const double d = RowMiddle(kTimeline[i]);
    ResetRandom();
    DrawFrameAt(d, 0.0f);
    const std::vector<uint8_t> rgb = ReadFramePixels();
    char name[64];
    std::snprintf(name, sizeof name, "/row%02d.png", i + 1);
    if (!WritePng((argv[2] + std::string(name)).c_str(), rgb.data(), width, height, 3)) {
      std::fprintf(stderr, "row_frames: cannot write %s%s\n", argv[2], name);
      return 1;
    }
    std::printf("%02d %g\n", i + 1, d);
  }
  return 0;
}
