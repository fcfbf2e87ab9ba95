// Drawing without any display server: an EGL context on Mesa's surfaceless platform (or on the
// first EGL device), current on no surface, so the picture goes into the snapshot's own
// framebuffer objects. Servers, containers and CI have no X server or Wayland compositor.
//
// Owns: the choice between a display and none, and the EGL display and context. May not: draw,
// or open any window; the frame and the off-screen target do the rest as with a window.
#pragma once

// True when DISPLAY names an X server that accepts a connection, or WAYLAND_DISPLAY (or the
// default "wayland-0") names a compositor's socket that exists: the snapshot then opens a window
// there like swancage.
bool display_available();

// Makes a GL context current without a display, loads its entry points and checks the GL floor.
// Returns false after one line on standard error when none can be had.
bool open_headless_context();
