// The one way work is done beside the drawing thread: a line of pieces, made in order by a
// producer and taken in order by a consumer, with the producer run on a thread of its own where one
// can be had, and here, on the consumer's thread, where none can.
//
//   producer --make(i)--> [ at most `lead` pieces made and not yet handed back ] --take(i)--> draw
//
// While a thread beside runs, it makes the pieces, at most `lead` ahead of those handed back, and
// the consumer waits for each; once it has stopped, or where it never started (no threads at all,
// a refused thread, a build without them, a producer whose context failed), the consumer makes
// every piece left itself as it takes it: the same producer, in the same order, so the inline path
// is not a second implementation. Taken in order, a line's pieces are never made by two threads at
// once, and a producer may keep state between pieces (the arena's write cursor). A line of chunks
// of one whole, finished with finish_line, is made from both ends at once: its pieces must not
// share such state.
//
// Owns: the line's counters, its lock and the thread beside. May not: know what a piece is; the
// producer keeps its pieces in slots of its own (piece i in slot i % lead) and the line only says
// when a slot may be written and when it may be read.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// Makes piece `index` into the producer's slot for it. `beside` says which thread it runs on: the
// thread beside (true) or the consumer's (false). Returns false when the piece could not be made
// beside (its GL context failed, say): the thread beside then stops, and the consumer makes that
// piece and every later one itself. Made here, a piece must be made.
using MakePiece = bool (*)(void* producer, int32_t index, bool beside);

// What the thread beside runs before its first piece and after its last: a GL context made current
// and released, say. `enter` returning false leaves every piece to the consumer.
struct BesidePlace {
  bool (*enter)(void* place);
  void (*leave)(void* place);
  void* place;
};

struct PieceLine {
  MakePiece make = nullptr;
  void* producer = nullptr;
  int32_t pieces = 0;
  int32_t lead = 0;  // pieces made ahead of those handed back, at most
  BesidePlace where = {};

  std::mutex mutex;
  std::condition_variable changed;
  int32_t claimed = 0;         // pieces 0 .. claimed - 1 are claimed, beside or here
  int32_t handed_back = 0;     // pieces 0 .. handed_back - 1 are used: their slots are free again
  int32_t making_beside = -1;  // the piece the thread beside is making, or -1
  int32_t refused = -1;        // a piece the thread beside could not make, left to the consumer
  bool beside_stopped = true;  // the thread beside makes no more pieces (or never started)
  bool cut = false;            // the consumer wants no more pieces
  std::thread thread;

  // A line still running when the process ends (a failure before the frame took it) is cut and
  // its thread waited for, a few tens of milliseconds at most, rather than abandoned.
  ~PieceLine();
};

// Sets up `line` for `pieces` pieces of `producer`, at most `lead` of them made ahead of those
// handed back. Nothing runs yet; without start_line_beside every piece is made by take_piece or
// finish_line, here.
void open_line(PieceLine* line, MakePiece make, void* producer, int32_t pieces, int32_t lead);

// Starts a thread beside that makes the line's pieces, inside `where`'s enter and leave where
// given. False, with nothing started, where no thread can be had: the pieces are then made here.
bool start_line_beside(PieceLine* line, const BesidePlace* where = nullptr);

// Piece `index`, the next one in order: waits for it while the thread beside runs, makes it here
// where no thread beside makes pieces any more. Its slot may be read until hand_back_piece.
void take_piece(PieceLine* line, int32_t index);

// Piece `index` is used: its slot may be made again.
void hand_back_piece(PieceLine* line, int32_t index);

// Makes here every piece nobody has claimed, waits for the thread beside and ends it: every piece
// of the line is then made. For lines whose pieces are used all together (chunks of one buffer).
void finish_line(PieceLine* line);

// Stops the thread beside after the piece it is making and ends it; pieces nobody claimed stay
// unmade. Returns how many pieces were claimed: the slots of pieces taken .. that count - 1 hold
// made pieces nobody took, for the caller to let go of.
int32_t cut_line(PieceLine* line);

// Whether this build runs anything beside the drawing thread at all (a build for a platform
// without threads, or without contexts shared between them, does not).
bool lines_run_beside();
