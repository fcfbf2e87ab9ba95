// A second GL context, on a thread of its own, that captures part of the doily's surface while the
// window's context captures the rest, then lights the doily's pieces while the window's context
// draws them. llvmpipe shades a draw's vertices on the thread that issues
// it, so two contexts capturing at once keep two cores busy.
//
// Owns: the helper's GLX context, its 1x1 pbuffer and the thread that makes them current.
// May not: make the window's context current, or write to the arena.
#pragma once

#include <atomic>
#include <cstdint>

#include <GL/glew.h>

#include "app/draw.h"

// One piece's capture, cut into chunks that the window's context and the helper take in turn,
// whichever is free: a helper kept off its core by other work leaves more to the window's
// context instead of holding it up.
struct CaptureWork {
  GLuint buffer;                            // receives the record of point k at position k
  int32_t first, count;                     // the points to capture
  int32_t chunk;                            // points per take
  GLsizeiptr record_size = sizeof(Vertex);  // bytes the program captures per point
  // Binds the vertex arrays the points come from, on the context that captures: by default the
  // arena's records.
  void (*bind_inputs)() = bind_arena_arrays;
  std::atomic<int32_t> taken{0};

  // The next chunk's records; false once none is left.
  bool take(int32_t* chunk_first, int32_t* chunk_count) {
    const int32_t start = taken.fetch_add(chunk);
    if (start >= count) return false;
    *chunk_first = first + start;
    *chunk_count = count - start < chunk ? count - start : chunk;
    return true;
  }
};

// Starts the helper thread taking chunks of `work` and capturing them with a copy of `program`
// linked from its shader objects, capturing the same outputs. `ready` is a fence that the window's
// context has flushed after the last change to `work.buffer`. Returns false, having started
// nothing, where no helper context can be had (no pbuffer configuration or no shared context).
bool begin_helper_capture(GLuint program, CaptureWork* work, GLsync ready);

// Starts the helper thread running `task(arg, true)` with the helper's context current and bound
// to its own copy of `program` (linked from the same shader objects, capturing the same outputs,
// with the same attribute locations), once the helper's GL has waited for `ready`. The task hands
// its results over itself, each behind a fence it has flushed; it returns false when the GL failed
// it. Where the helper's context or program cannot be had on the thread, it runs
// `task(arg, false)` instead, with no context current, so the task can say it did nothing.
// Returns false, having started nothing, where no helper context can be had at all.
bool begin_helper_task(GLuint program, GLsync ready, bool (*task)(void* arg, bool started),
                       void* arg);

// Waits until the helper has finished its capture or task and its context is no longer current
// anywhere. Returns whether all it did is complete: the chunks it took in the buffer, or the task
// with no error from the GL. After a capture that is not complete (the GL reported an error), the
// caller must capture the whole of the work again itself.
bool end_helper_capture();
