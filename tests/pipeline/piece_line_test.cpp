// Lines of pieces with and without a thread beside: every piece made exactly once, in order, never
// further ahead than the line's lead, and the pieces the thread beside does not make (refused,
// never started, cut off) made here. Run under ThreadSanitizer by the test script, where a piece
// read before it is made is a reported race.
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pipeline/piece_line.h"

namespace {

constexpr int32_t kMostPieces = 64;

// A producer that writes each piece's number into its slot and notes who made it.
struct Recorder {
  int32_t lead = 2;
  int32_t refuse_from = kMostPieces;  // beside, this piece and every later one are refused
  std::atomic<int32_t> used{0};       // pieces the consumer has used (before handing them back)
  std::atomic<int32_t> made[kMostPieces] = {};  // times each piece was made
  std::atomic<int32_t> beside{0}, here{0}, too_far_ahead{0};
  int32_t slots[kMostPieces] = {};
};

bool record(void* producer, int32_t index, bool beside) {
  Recorder& r = *static_cast<Recorder*>(producer);
  if (beside && index >= r.refuse_from) return false;
  if (index >= r.used + r.lead) ++r.too_far_ahead;
  // Slow beside, and the slot written last: a piece taken before it is made is seen.
  if (beside) std::this_thread::sleep_for(std::chrono::microseconds(200));
  r.slots[index % r.lead] = index;
  ++r.made[index];
  ++(beside ? r.beside : r.here);
  return true;
}

// Takes every piece in order, checks its slot holds it, and hands it back; true if all held.
bool take_all(PieceLine* line, Recorder& r, int32_t pieces) {
  bool whole = true;
  for (int32_t i = 0; i < pieces; ++i) {
    take_piece(line, i);
    whole = whole && r.slots[i % r.lead] == i;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    ++r.used;
    hand_back_piece(line, i);
  }
  return whole;
}

void expect_each_made_once(const Recorder& r, int32_t pieces) {
  for (int32_t i = 0; i < pieces; ++i) EXPECT_EQ(r.made[i], 1) << "piece " << i;
  for (int32_t i = pieces; i < kMostPieces; ++i) EXPECT_EQ(r.made[i], 0) << "piece " << i;
  EXPECT_EQ(r.too_far_ahead, 0) << "pieces made while the slot they need was still in use";
}

// From no piece to many, with and without a thread beside, at the leads the program uses and the
// smallest: every piece taken whole, made once.
TEST(PieceLine, EveryPieceMadeOnceInOrderBesideOrHere) {
  for (const bool with_thread : {true, false}) {
    for (const int32_t lead : {1, 2}) {
      for (const int32_t pieces : {0, 1, 2, 3, 40}) {
        SCOPED_TRACE(testing::Message() << (with_thread ? "beside" : "here") << ", lead " << lead
                                        << ", " << pieces << " pieces");
        Recorder r;
        r.lead = lead;
        PieceLine line;
        open_line(&line, record, &r, pieces, lead);
        if (with_thread) {
          EXPECT_EQ(start_line_beside(&line), lines_run_beside());
        }
        EXPECT_TRUE(take_all(&line, r, pieces)) << "a piece taken before it was made";
        EXPECT_EQ(cut_line(&line), pieces);
        expect_each_made_once(r, pieces);
        if (!with_thread) {
          EXPECT_EQ(r.beside, 0);
        }
      }
    }
  }
}

// A piece the thread beside cannot make, and every later one, is made here.
TEST(PieceLine, PiecesRefusedBesideAreMadeHere) {
  for (const int32_t refused : {0, 5, 39}) {
    Recorder r;
    r.refuse_from = refused;
    PieceLine line;
    open_line(&line, record, &r, 40, r.lead);
    start_line_beside(&line);
    EXPECT_TRUE(take_all(&line, r, 40));
    cut_line(&line);
    expect_each_made_once(r, 40);
    EXPECT_LE(r.beside, refused) << "made beside after a refusal";
  }
}

// A place that cannot be entered (a context that cannot be made current) leaves every piece here.
TEST(PieceLine, PlaceThatCannotBeEnteredLeavesEveryPieceHere) {
  Recorder r;
  int left = 0;
  const BesidePlace nowhere = {[](void*) { return false; },
                               [](void* p) { ++*static_cast<int*>(p); }, &left};
  PieceLine line;
  open_line(&line, record, &r, 10, r.lead);
  start_line_beside(&line, &nowhere);
  EXPECT_TRUE(take_all(&line, r, 10));
  cut_line(&line);
  expect_each_made_once(r, 10);
  EXPECT_EQ(r.here, 10);
  EXPECT_EQ(left, 0) << "left a place it never entered";
}

// Chunks of one whole: finish_line returns with every chunk made once, whoever made it, with a
// thread beside or none.
TEST(PieceLine, FinishMakesWhatIsLeftAndWaitsForTheRest) {
  for (const bool with_thread : {true, false}) {
    for (const int32_t pieces : {0, 1, 63}) {
      Recorder r;
      r.lead = pieces + 1;  // no slot is reused: the chunks go to disjoint places
      PieceLine line;
      open_line(&line, record, &r, pieces, pieces + 1);
      if (with_thread) start_line_beside(&line);
      finish_line(&line);
      expect_each_made_once(r, pieces);
      EXPECT_EQ(r.beside + r.here, pieces);
    }
  }
}

// A consumer that stops after its first piece: the thread beside stops too, and cut_line says which
// pieces it made that nobody took; none is made afterwards.
TEST(PieceLine, CutLineStopsTheThreadBesideAndCountsWhatItMade) {
  Recorder r;
  PieceLine line;
  open_line(&line, record, &r, 40, r.lead);
  start_line_beside(&line);
  take_piece(&line, 0);
  ++r.used;
  hand_back_piece(&line, 0);
  const int32_t made = cut_line(&line);
  EXPECT_GE(made, 1);
  EXPECT_LE(made, 1 + r.lead) << "made past its lead";
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  expect_each_made_once(r, made);
}

int threads_of_this_process() {
  int threads = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(tasks)) threads += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return threads;
}

// A line left running when it goes out of scope (a process ending early) is cut and its thread
// ended, not abandoned.
TEST(PieceLine, LineLeftRunningEndsItsThreadWhenDestroyed) {
  Recorder r;
  std::thread([] {}).join();  // ThreadSanitizer's runtime starts a thread of its own at the first
  const int threads = threads_of_this_process();
  {
    PieceLine line;
    open_line(&line, record, &r, 40, r.lead);
    start_line_beside(&line);
  }
  EXPECT_EQ(threads_of_this_process(), threads) << "a thread outlived its line";
  EXPECT_LE(r.beside, r.lead);
  EXPECT_EQ(r.too_far_ahead, 0);
}

}  // namespace
