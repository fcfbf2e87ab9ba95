// A picture as plain 8-bit RGB rows: what the programs read back from GL and what the image files
// hold.
//
// Owns: the in-memory layout. May not: include GL or libpng; both sides hand over plain rows.
#pragma once

#include <cstdint>
#include <vector>

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes, first row at the top
};
