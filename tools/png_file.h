// PNG files from 8-bit rows, through libpng. No GL here: the asset
// generator's icons are written the same way as the capture's frames.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes width x height pixels of `channels` bytes each (3: RGB, 4: RGBA),
// tightly packed rows, top row first, as a PNG into an open stream, which
// stays open. With `srgb`, the file says its colours are sRGB (an sRGB
// chunk). False when a write failed (a full disk shows here, when the
// stream is flushed).
bool WritePngStream(FILE* f, const uint8_t* pixels, int width, int height, int channels,
                    bool srgb = false);
// The same into a new file. False when it cannot be written.
bool WritePng(const char* fileName, const uint8_t* pixels, int width, int height, int channels,
              bool srgb = false);
