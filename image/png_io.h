// Reading and writing 8-bit RGB PNG files, rows top-down.
//
// Owns: libpng and zlib calls. May not: touch GL; callers hand over plain pixel rows.
#pragma once

#include <cstdio>
#include <string>

#include "image/rgb_image.h"

// How hard the writer compresses: the zlib level (0 .. 9). Rows are not filtered (the lace and the
// gradients compress nearly as well without filters, four times faster) and are compressed in
// eight parts, on two threads at once where there are threads, as one zlib stream (each part
// starts with an empty dictionary).
struct PngCompression {
  int zlib_level;
};
constexpr PngCompression kPngSmallest{9};  // the smallest files this writer makes
constexpr PngCompression kPngFastest{1};   // about four times faster, files a few % larger

// Writes to an open file and closes it. Returns false and fills `error` when the data cannot be
// written.
bool write_png_rgb(FILE* file, const RgbImage& image, std::string* error,
                   PngCompression compression = kPngSmallest);

// Opens `path` and writes to it. Returns false and fills `error` when that fails.
bool write_png_rgb(const char* path, const RgbImage& image, std::string* error,
                   PngCompression compression = kPngSmallest);

// Returns false and fills `error` when the file cannot be read or is not a PNG. Any colour type
// is converted to 8-bit RGB.
bool read_png_rgb(const char* path, RgbImage* image, std::string* error);
