// The contact sheet: the frame at the middle of each timeline row's window
// (row 1's unbounded start counts from 0), halved by averaging 2 x 2 pixels,
// tiled four across with its label under it in DejaVu Sans (drawn with
// FreeType).
#include "capture/sheet.h"

#include <ft2build.h>
#include <sys/stat.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/render.h"
#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/offscreen/offscreen.h"

namespace {

// From Debian's fonts-dejavu-core.
const char* const kLabelFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const uint8_t kSheetBackground[3] = {40, 40, 40};
const uint8_t kLabelBackground[3] = {0, 0, 0};
const uint8_t kLabelInk[3] = {235, 235, 235};

// The label under tile `index` (0 to 15): "10  ModelShowcase  D 835".
std::string RowLabel(int index) {
  const TTimelineRow& row = kTimeline[index];
  char text[96];
  std::snprintf(text, sizeof text, "%d  %s  D %g", index + 1, row.scene, RowMiddle(row));
  return text;
}

struct TImage {
  int width, height;
  uint8_t* rgb;
};

void Fill(const TImage& image, int x, int y, int w, int h, const uint8_t colour[3]) {
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col)
      std::copy(colour, colour + 3, image.rgb + (static_cast<size_t>(row) * image.width + col) * 3);
}

// Halves a frame into the sheet at (x, y): each tile pixel is the rounded
// mean of a 2 x 2 block.
void PutHalved(const TImage& sheet, int x, int y, const uint8_t* frame, int frameWidth,
               int tileWidth, int tileHeight) {
  const size_t stride = static_cast<size_t>(frameWidth) * 3;
  for (int ty = 0; ty < tileHeight; ++ty) {
    const uint8_t* top = frame + 2 * ty * stride;
    uint8_t* out = sheet.rgb + (static_cast<size_t>(y + ty) * sheet.width + x) * 3;
    for (int tx = 0; tx < tileWidth; ++tx)
      for (int c = 0; c < 3; ++c) {
        const size_t i = static_cast<size_t>(2 * tx) * 3 + c;
        out[tx * 3 + c] = static_cast<uint8_t>(
            (top[i] + top[i + 3] + top[stride + i] + top[stride + i + 3] + 2) / 4);
      }
  }
}

// Draws `text` with its baseline at (x, baseline), clipped to the box
// [x, right) x [top, bottom).
void DrawText(FT_Face face, const TImage& sheet, const char* text, int x, int baseline, int right,
              int top, int bottom) {
  int pen = x;
  for (const char* c = text; *c; ++c) {
    if (FT_Load_Char(face, static_cast<unsigned char>(*c), FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    for (unsigned row = 0; row < g->bitmap.rows; ++row) {
      const int py = baseline - g->bitmap_top + static_cast<int>(row);
      if (py < top || py >= bottom) continue;
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const int px = pen + g->bitmap_left + static_cast<int>(col);
        if (px < x || px >= right) continue;
        const int cover = g->bitmap.buffer[row * g->bitmap.pitch + col];
        uint8_t* p = sheet.rgb + (static_cast<size_t>(py) * sheet.width + px) * 3;
        for (int k = 0; k < 3; ++k)
          p[k] = static_cast<uint8_t>((kLabelInk[k] * cover + p[k] * (255 - cover) + 127) / 255);
      }
    }
    pen += static_cast<int>(g->advance.x >> 6);
  }
}

}  // namespace

TSheetLayout SheetLayout(int frameWidth, int frameHeight) {
  TSheetLayout layout;
  layout.tileWidth = std::max(1, frameWidth / 2);
  layout.tileHeight = std::max(1, frameHeight / 2);
  // Text about a sixteenth of the tile's height, readable from 9 pixels up.
  layout.fontPixels = std::clamp(layout.tileHeight / 16, 9, 28);
  layout.labelHeight = layout.fontPixels * 3 / 2 + 4;
  const int rows = (kTimelineRows + kSheetColumns - 1) / kSheetColumns;
  layout.width = kSheetColumns * (layout.tileWidth + kSheetMargin) + kSheetMargin;
  layout.height = rows * (layout.tileHeight + layout.labelHeight + kSheetMargin) + kSheetMargin;
  return layout;
}

void SheetCell(const TSheetLayout& layout, int index, int* x, int* y) {
  *x = kSheetMargin + (index % kSheetColumns) * (layout.tileWidth + kSheetMargin);
  *y = kSheetMargin +
       (index / kSheetColumns) * (layout.tileHeight + layout.labelHeight + kSheetMargin);
}

int CaptureSheet(const TCaptureOptions& options) {
  const double startS = WallSeconds();
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, kLabelFont, 0, &face) != 0) {
    std::fprintf(stderr,
                 "kelvane-capture: %s: cannot load the label font (Debian package "
                 "fonts-dejavu-core)\n",
                 kLabelFont);
    if (library) FT_Done_FreeType(library);
    return kExitFailed;
  }
  std::string error;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    FT_Done_FreeType(library);
    return kExitFailed;
  }
  const TSheetLayout layout = SheetLayout(options.width, options.height);
  FT_Set_Pixel_Sizes(face, 0, layout.fontPixels);
  std::vector<uint8_t> pixels(static_cast<size_t>(layout.width) * layout.height * 3);
  const TImage sheet = {layout.width, layout.height, pixels.data()};
  Fill(sheet, 0, 0, layout.width, layout.height, kSheetBackground);
  std::vector<uint8_t> frame(static_cast<size_t>(options.width) * options.height * 3);

  TProgress progress;
  StartProgress(&progress, kTimelineRows);
  int status = kExitOk;
  for (int i = 0; i < kTimelineRows && !CaptureInterrupted; ++i) {
    // Each tile starts the generator afresh, as a single --at capture does.
    ResetRandom();
    const double d = RowMiddle(kTimeline[i]);
    DrawFrameAt(d, CaptureMomentLevel(d));
    ReadFrameTopFirst(frame.data());
    int x = 0, y = 0;
    SheetCell(layout, i, &x, &y);
    PutHalved(sheet, x, y, frame.data(), options.width, layout.tileWidth, layout.tileHeight);
    const int labelTop = y + layout.tileHeight;
    Fill(sheet, x, labelTop, layout.tileWidth, layout.labelHeight, kLabelBackground);
    const int baseline = labelTop + (layout.labelHeight + layout.fontPixels * 3 / 4) / 2;
    DrawText(face, sheet, RowLabel(i).c_str(), x + layout.fontPixels / 2, baseline,
             x + layout.tileWidth, labelTop, labelTop + layout.labelHeight);
    ShowProgress(&progress, i + 1);
  }
  EndProgress(&progress);
  if (CaptureInterrupted) {
    status = InterruptedStatus();
  } else if (!WriteFramePng(options.target, pixels.data(), layout.width, layout.height)) {
    status = kExitFailed;
  } else {
    struct stat file;
    PrintSummary(options.target, 1, stat(options.target.c_str(), &file) == 0 ? file.st_size : -1,
                 WallSeconds() - startS, 0.0);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return status;
}
