// The contact sheet's layout: one tile per row of the timeline
// (demo/timeline.h), kSheetColumns tiles a row, each a frame halved in both
// directions, with a label strip under it and a margin around every cell.
#pragma once

constexpr int kSheetColumns = 4;
constexpr int kSheetMargin = 4;  // pixels

struct TSheetLayout {
  int tileWidth, tileHeight;  // the halved frame
  int labelHeight;            // strip under the tile
  int fontPixels;
  int width, height;  // the whole sheet
};

TSheetLayout SheetLayout(int frameWidth, int frameHeight);
// Top-left corner of cell `index` (0 to 15, in row order).
void SheetCell(const TSheetLayout& layout, int index, int* x, int* y);
