// The consumer's side of a line: taking pieces, making them here when nobody has, and ending the
// thread beside. The thread beside itself is started by the platform's beside_*.cpp.
#include "pipeline/piece_line.h"

#include "pipeline/beside.h"

void open_line(PieceLine* line, MakePiece make, void* producer, int32_t pieces, int32_t lead) {
  line->make = make;
  line->producer = producer;
  line->pieces = pieces;
  line->lead = lead;
  line->claimed = line->handed_back = 0;
  line->making_beside = line->refused = -1;
  line->beside_stopped = true;
  line->cut = false;
}

// Run by the thread beside: claims the next piece while the lead allows, makes it, and stops at
// the first piece it cannot make, at the line's end, or when the consumer cuts the line.
void make_pieces_beside(PieceLine* line) {
  const BesidePlace& where = line->where;
  const bool entered = where.enter == nullptr || where.enter(where.place);
  std::unique_lock<std::mutex> lock(line->mutex);
  while (entered) {
    line->changed.wait(lock, [line] {
      return line->cut || line->claimed >= line->pieces ||
             line->claimed < line->handed_back + line->lead;
    });
    if (line->cut || line->claimed >= line->pieces) break;
    const int32_t index = line->claimed++;
    line->making_beside = index;
    lock.unlock();
    const bool made = line->make(line->producer, index, true);
    lock.lock();
    line->making_beside = -1;
    if (!made) line->refused = index;
    line->changed.notify_all();
    if (!made) break;
  }
  line->beside_stopped = true;
  line->changed.notify_all();
  lock.unlock();
  if (entered && where.leave != nullptr) where.leave(where.place);
}

bool start_line_beside(PieceLine* line, const BesidePlace* where) {
  line->where = where != nullptr ? *where : BesidePlace{};
  line->beside_stopped = false;
  if (start_beside_thread(line)) return true;
  line->beside_stopped = true;
  return false;
}

void take_piece(PieceLine* line, int32_t index) {
  std::unique_lock<std::mutex> lock(line->mutex);
  line->changed.wait(lock, [line, index] {
    return line->refused == index || line->beside_stopped ||
           (index < line->claimed && line->making_beside != index);
  });
  if (line->refused == index) {
    line->refused = -1;
  } else if (index >= line->claimed) {
    line->claimed = index + 1;
  } else {
    return;  // made beside
  }
  lock.unlock();
  line->make(line->producer, index, false);
}

void hand_back_piece(PieceLine* line, int32_t index) {
  std::lock_guard<std::mutex> lock(line->mutex);
  line->handed_back = index + 1;
  line->changed.notify_all();
}

namespace {

// Waits until the thread beside has stopped, then ends it.
void end_beside(PieceLine* line, std::unique_lock<std::mutex>& lock) {
  line->changed.wait(lock, [line] { return line->beside_stopped; });
  lock.unlock();
  join_beside_thread(line);
}

}  // namespace

void finish_line(PieceLine* line) {
  std::unique_lock<std::mutex> lock(line->mutex);
  for (;;) {
    int32_t index = -1;
    if (line->refused >= 0) {
      index = line->refused;
      line->refused = -1;
    } else if (line->claimed < line->pieces) {
      index = line->claimed++;
    } else if (line->making_beside < 0) {
      break;
    }
    if (index < 0) {
      line->changed.wait(lock);
      continue;
    }
    lock.unlock();
    line->make(line->producer, index, false);
    lock.lock();
  }
  end_beside(line, lock);
}

PieceLine::~PieceLine() {
  if (thread.joinable()) cut_line(this);
}

int32_t cut_line(PieceLine* line) {
  std::unique_lock<std::mutex> lock(line->mutex);
  line->cut = true;
  line->changed.notify_all();
  const int32_t made =
      line->refused >= 0 ? line->refused : line->claimed;  // nothing after a refusal
  end_beside(line, lock);
  return made;
}
