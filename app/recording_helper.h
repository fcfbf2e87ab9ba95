// A second GL context, on a thread of its own, that records part of each doily piece while the
// window's context records the rest. llvmpipe shades a draw's vertices on the thread that issues
// it, so two contexts recording at once keep two cores busy.
//
// Owns: the helper's GLX context, its 1x1 pbuffer and the thread that makes them current.
// May not: make the window's context current, or write to the arena.
#pragma once

#include <cstdint>

#include <GL/glew.h>

// Starts recording vertices first .. first + count - 1 of the arena's grid records into `buffer`
// (at the same record positions) on the helper thread, with a copy of `program` linked from its
// shader objects. `ready` is a fence that the window's context has flushed after the last change
// to `buffer`. Returns false, having started nothing, where no helper context can be had (no
// pbuffer configuration or no shared context); the caller then records those vertices itself.
bool begin_helper_recording(GLuint program, GLuint buffer, GLsync ready, int32_t first,
                            int32_t count);

// Waits until the helper has finished and its context is no longer current anywhere. Returns
// whether its recording is complete in `buffer`; if not (its context could not be made current, or
// the GL reported an error), the caller must record those vertices itself.
bool end_helper_recording();
