// Writes the scene's fingerprints to the file named on the command line: the update-checksums
// target runs it after a deliberate change to the picture's tables or shader texts.
#include <cstdio>
#include <string>

#include "tests/scene/checksums.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: print_scene_checksums OUT.txt\n");
    return 2;
  }
  const std::string text = format_checksums(scene_checksums());
  FILE* out = std::fopen(argv[1], "w");
  if (!out || std::fputs(text.c_str(), out) < 0 || std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
