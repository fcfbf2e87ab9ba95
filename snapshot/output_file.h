// Where the snapshot's picture goes. A regular file (new, existing, or reached through symbolic
// links) is replaced all at once when the complete PNG is ready, through a temporary file in the
// same directory; until then it is untouched, whatever ends the run. A device or a FIFO is
// written directly, as the user asked, and so is standard output, which then carries nothing else.
//
// Owns: the one pending output of the process and its temporary file. May not: touch GL or write
// anything but the PNG it is given.
#pragma once

#include <string>

#include "image/rgb_image.h"

// Checks that `path` can receive the picture and opens what will be written: fails at once, with
// the reason in `error`, on a missing directory, an unwritable path, a directory, or a FIFO that
// nobody reads (writing to it would wait for a reader forever).
bool prepare_output(const char* path, std::string* error);

// Whether `path` is the process's standard output: "-", or a name of the very file or pipe that
// standard output is (/dev/stdout, /proc/self/fd/1, the file it was redirected to). A standard
// output that was closed at start has no name.
bool names_standard_output(const char* path);

// Takes standard output for the picture alone: the PNG will be written to the descriptor it has
// now, once the picture is ready, and from here on what the program prints on standard output
// (the shaders' log) goes to standard error. Fails when standard output was closed at start.
bool prepare_standard_output(std::string* error);

// Writes the PNG and puts it in place. On failure the original is untouched.
bool commit_output(const RgbImage& image, std::string* error);

// Removes the temporary file if it has a name. Async-signal-safe: it runs from signal handlers
// and from the exit of a failed window.
void abandon_output();
