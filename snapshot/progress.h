// A long snapshot's progress on a terminal: one line on standard error, rewritten as the frame's
// passes draw their pieces (the pass, and the share of the frame's vertices done), then while the
// picture is read back and written, and erased at the end.
//
// Owns: that one line. May not: print anything where standard error is not a terminal, so logs,
// pipes and tests see exactly what they saw without it.
#pragma once

#include "app/pass.h"

// Whether progress is shown at all: standard error is a terminal.
bool progress_shown();

// A PassWatcher for render_frame: rewrites the line as each piece is drawn; never stops a pass.
bool show_drawing_progress(const FramePass& pass, PassStep step);

// Rewrites the line with a step after the drawing ("reading the picture back", ...).
void show_progress_step(const char* step);

// Erases the line, leaving the cursor where it was before the first.
void end_progress();
