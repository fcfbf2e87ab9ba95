// Showing the once-drawn frame in the window: swapped once, then again only when the window
// system asks for the picture.
//
// Owns: the kept copy of the frame, the choice of when to swap, the buffer swap.
// May not: draw the picture itself; the frame's passes do that, once.
#pragma once

// Copies the freshly drawn frame aside, to be put back before any later swap.
void keep_frame();

// Packs the kept copy (deflated: about a seventh of its 3.7 MB), once the frame has been swapped
// to the window: later swaps unpack it, a few milliseconds each, only when the window asks.
void pack_kept_frame();

// The window system reports that the window needs its picture again: uncovered, mapped again.
void note_window_needs_picture();

// Swaps the frame to the window the first time, and afterwards only when the window needs its
// picture again, putting the kept frame back into the back buffer first. Otherwise does nothing.
void present_frame();
