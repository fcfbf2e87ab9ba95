// The snapshot's command line: swancage-snapshot [--size WxH] [--samples N] OUT.png.
//
// Owns: the options, their syntax and the limits that need no GL driver. May not: open a window
// or a file; the driver's own limits are checked later (snapshot/offscreen.h).
#pragma once

#include <string>

#include "app/framebuffer.h"
#include "snapshot/offscreen.h"

#include <cstdio>

extern const char kSnapshotUsage[];

// The usage line and one line per option.
void print_help(FILE* out);

// "swancage-snapshot VERSION".
void print_version(FILE* out);

struct SnapshotOptions {
  enum Asked { kPicture, kHelp, kVersion };
  Asked asked = kPicture;  // --help or --version asks for text instead of a picture
  bool offscreen = false;  // --size or --samples given
  RenderSize size = {kWindowWidth, kWindowHeight, 1};
  const char* path = nullptr;
};

// Takes the options and OUT ("-" for standard output), or --help or --version alone. False on
// anything else, with the reason in `error`: an unknown or repeated option, a bad value, no OUT, an
// empty one or more than one.
bool parse_options(int argc, char** argv, SnapshotOptions* options, std::string* error);
