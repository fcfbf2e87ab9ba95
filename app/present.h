// Keeping the once-drawn frame in the window across swaps.
//
// Owns: the kept copy of the frame, the choice of when to put it back, the buffer swap.
// May not: draw the picture itself; the frame's passes do that, once.
#pragma once

// Copies the freshly drawn frame aside, to be put back when a swap loses it.
void keep_frame();

// The window system reports that the window was uncovered or otherwise needs its picture again.
void note_expose();

// Puts the kept frame back into the back buffer if it may have been lost, then swaps; once swaps
// are known to lose the frame, swaps only after an expose.
void present_frame();
