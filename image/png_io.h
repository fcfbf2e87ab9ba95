// Reading and writing 8-bit RGB PNG files, rows top-down.
//
// Owns: libpng calls. May not: touch GL; callers hand over plain pixel rows.
#pragma once

#include <cstdio>
#include <string>

#include "image/rgb_image.h"

// Writes to an open file and closes it. Returns false and fills `error` when the data cannot be
// written.
bool write_png_rgb(FILE* file, const RgbImage& image, std::string* error);

// Opens `path` and writes to it. Returns false and fills `error` when that fails.
bool write_png_rgb(const char* path, const RgbImage& image, std::string* error);

// Returns false and fills `error` when the file cannot be read or is not a PNG. Any colour type
// is converted to 8-bit RGB.
bool read_png_rgb(const char* path, RgbImage* image, std::string* error);
