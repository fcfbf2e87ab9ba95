// The doily's two ways of reaching its lace: quads drawn from vertices captured once with
// transform feedback, or, on a GL without it, quads drawn straight from the grid.
//
// Owns: the captured piece that waits to be drawn, and the split of a piece's capture between the
// window's context and the capture helper. May not: build the grid; the doily pass does that.
#pragma once

#include "geometry/arena.h"

// One piece of the doily grid, with the doily program bound. Where the program captures its
// vertices, each grid vertex is shaded once into a buffer (most of them by a helper context on
// another thread, where one can be had) and the quads are drawn from the captured vertices: the
// piece's quads wait until the next piece's capture has started (the helper captures it while this
// context draws them) or until finish_doily. Otherwise the quads are drawn from the grid itself
// at once, as a GL 2.1 context without transform feedback must. Leaves the arena's arrays bound as
// they were.
void draw_doily(const ArenaRange& grid);

// Draws the quads of the piece that is still waiting, if any. The doily pass ends with it.
void finish_doily();
