// The engine: inputs read through a window of chunks that any thread fills,
// reads or passes on, whichever step is ready.
//
// The life of one chunk (a Slot: the chunk, and the task that reads its
// blocks):
//   kFilling  the one filling thread (filling_) takes a spare slot, puts it
//             at the back of the window and fills it from the inputs with
//             the lock free; no other thread touches it. Filled, it is
//             published (published_) and never changes again until it is
//             passed on.
//   kReady    its task waits in ready_ for a thread; the front chunk's task
//             goes first, so that the window moves on.
//   kRunning  one thread runs the task with the lock free: it alone uses
//             the slot's out, found, kept, blocks, part and row. A block
//             that starts in the chunk may run on into later chunks; the
//             task reads their rows without the lock, as spans gathered
//             under it (rowsFrom): those chunks are published, so they do
//             not change, and they cannot be passed on and reused before
//             this one, which is ahead of them and not done.
//   kWaiting  a block needs rows past those published: the task waits in
//             waiting_ until the chunks of twice its reach are published
//             (retryAt), until a published chunk ends a file (maybe its
//             file; a chunk of several parts always does) or every input is
//             read. Woken early, it only waits again: nothing of a try that
//             ran out of rows counts.
//   kDone     once it is the front chunk, the one passing-on thread
//             (passingOn_) takes it out of the window and, with the lock
//             free, hands its bytes to the output, tells the unread-lines
//             rule of its rows and adds its findings to the result, in
//             input order; then it is cleared and kept as a spare.
// Everything else (the window, ready_, waiting_, the flags and counters of
// Conversion, a slot's state, seq, reach and retryAt) changes only under the
// lock. A thread waits (changed_) only when no step is ready; every step
// that may make one ready notifies all. The window grows past its chunks
// only when its front task waits: a block longer than the window.
#include "engine/engine.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <utility>

#include "core/reading/line_reader.h"
#include "core/system/out_of_memory.h"
#include "engine/threads.h"
#include "engine/unread_lines.h"

namespace engine {
namespace {

using core::Chunk;
using core::LineReader;
using core::RowSpan;

struct Slot {
  enum class State { kFilling, kReady, kRunning, kWaiting, kDone };

  explicit Slot(size_t chunkBytes) : chunk(chunkBytes), out(2 * chunkBytes) {}

  Chunk chunk;
  apb::LineSink out;                  // the lines of its blocks
  std::vector<core::Findings> found;  // per part of the chunk
  std::vector<size_t> kept;           // blocks kept, per part
  KeptBlocks blocks;                  // for the unread-lines rule
  State state = State::kFilling;
  size_t seq = 0;      // its place among the chunks of the conversion
  size_t part = 0;     // where the task goes on: the part
  size_t row = 0;      // and the row
  size_t reach = 1;    // chunks after it whose rows its task takes in
  size_t retryAt = 0;  // a waiting task reads again from this many chunks
};

class Conversion {
 public:
  Conversion(const Format& format, core::Source& inputs,
             const std::function<void(std::string_view)>& output,
             const Window& shape)
      : format_(format),
        output_(output),
        shape_(shape),
        reader_(format.separators, inputs),
        unread_(format) {
    result_.findings.resize(inputs.count());
    result_.airports.assign(inputs.count(), 0);
  }

  Result convert();

 private:
  // One thread's share: takes whatever step is ready until none is left.
  void work();
  // Takes steps until the conversion ends or stops.
  void serve(Lock& lock);
  bool canFill() const;
  // The steps; each is called with lock held and returns with it held.
  void fill(Lock& lock);
  void read(Slot& slot, Lock& lock);
  void passOn(Lock& lock);
  // Tells the unread-lines rule of the rows of slot.
  void passUnreadRows(Slot& slot);
  // The rows of the last part of slot and of the chunks after it that go
  // on with its file; true when they reach the end of the file.
  bool rowsFrom(const Slot& slot, std::vector<RowSpan>& spans) const;
  // Reads the blocks of slot from where its task stopped; false when a
  // block needs rows the window does not hold yet.
  bool readBlocks(Slot& slot, const std::vector<RowSpan>& spans, bool end);
  bool tracksUnread() const { return format_.unread.note != nullptr; }
  void stop() {
    stopped_ = true;
    changed_.notify_all();
  }

  const Format& format_;
  const std::function<void(std::string_view)>& output_;
  const Window shape_;
  LineReader reader_;     // used by the filling thread
  UnreadTracker unread_;  // used by the passing-on thread
  Result result_;         // its findings and airports too

  Mutex mutex_;
  Changed changed_;
  std::deque<std::unique_ptr<Slot>> window_;  // in input order
  std::map<size_t, Slot*> ready_;             // tasks to run, by seq
  std::vector<Slot*> waiting_;                // tasks that wait for rows
  std::vector<std::unique_ptr<Slot>> spare_;
  size_t made_ = 0;         // chunks begun so far
  size_t published_ = 0;    // chunks filled so far
  bool filling_ = false;    // a thread fills the last slot
  bool passingOn_ = false;  // a thread passes on the first slot
  bool allRead_ = false;    // every input is read and checked
  bool stopped_ = false;    // an input failed, or memory ran out
  bool outOfMemory_ = false;
};

bool Conversion::canFill() const {
  if (filling_ || allRead_) return false;
  return window_.size() < shape_.chunks ||
         window_.front()->state == Slot::State::kWaiting;
}

void Conversion::fill(Lock& lock) {
  filling_ = true;
  if (spare_.empty())
    spare_.push_back(std::make_unique<Slot>(shape_.chunkBytes));
  window_.push_back(std::move(spare_.back()));
  spare_.pop_back();
  Slot& slot = *window_.back();
  slot.state = Slot::State::kFilling;
  slot.seq = made_++;
  slot.reach = 1;
  lock.unlock();
  std::error_code reason;
  const LineReader::Fill filled = reader_.loadLines(slot.chunk, reason);
  const size_t parts = slot.chunk.parts().size();
  slot.found.resize(parts);
  slot.kept.assign(parts, 0);
  slot.blocks.clear();
  slot.part = 0;
  slot.row = parts > 0 ? slot.chunk.parts()[0].firstRow : 0;
  lock.lock();
  filling_ = false;
  if (filled == LineReader::Fill::kFailed) {
    result_.failedInput = reader_.input();
    result_.reason = reason;
    stop();
    return;
  }
  allRead_ = filled == LineReader::Fill::kEnded;
  slot.state = parts > 0 ? Slot::State::kReady : Slot::State::kDone;
  if (parts > 0) ready_.emplace(slot.seq, &slot);
  ++published_;
  const bool endsFile = parts > 0 && slot.chunk.parts()[0].endsFile;
  std::erase_if(waiting_, [&](Slot* other) {
    if (published_ < other->retryAt && !endsFile && !allRead_) return false;
    other->state = Slot::State::kReady;
    ready_.emplace(other->seq, other);
    return true;
  });
  changed_.notify_all();
}

bool Conversion::rowsFrom(const Slot& slot, std::vector<RowSpan>& spans) const {
  const Chunk& chunk = slot.chunk;
  spans.assign(1, chunk.rowsOf(chunk.parts().size() - 1));
  if (chunk.parts().back().endsFile) return true;
  // The chunks after it, as far as its reach: a task that ran out of rows
  // doubles its reach, so that no block is read again more than a few times
  // and no task walks the whole window.
  const size_t at = slot.seq - window_.front()->seq + 1;
  for (size_t k = at; k < window_.size() && spans.size() <= slot.reach; ++k) {
    const Chunk& more = window_[k]->chunk;
    if (window_[k]->state == Slot::State::kFilling) break;
    if (more.parts().empty()) continue;  // its lines went on to the next
    spans.push_back(more.rowsOf(0));
    if (more.parts()[0].endsFile) return true;
  }
  return false;
}

bool Conversion::readBlocks(Slot& slot, const std::vector<RowSpan>& spans,
                            bool end) {
  const std::vector<Chunk::Part>& parts = slot.chunk.parts();
  for (; slot.part < parts.size(); ++slot.part) {
    const Chunk::Part& part = parts[slot.part];
    const bool last = slot.part + 1 == parts.size();
    const RowSpan own = slot.chunk.rowsOf(slot.part);
    // Only the last part may go on into later chunks.
    const core::WordTable table =
        last ? core::WordTable(spans, end, format_.separators)
             : core::WordTable({&own, 1}, true, format_.separators);
    core::Findings& found = slot.found[slot.part];
    for (; slot.row < part.firstRow + part.rows; ++slot.row) {
      if (!format_.isStart(table, slot.row)) {
        if (tracksUnread()) {
          slot.blocks.rowNotKept(slot.part, part.firstRow, slot.row,
                                 table.wordCount(slot.row));
        }
        continue;
      }
      // What a block notices counts only once it is read whole; no memory
      // is taken for a block that notices nothing.
      core::Findings scratch;
      scratch.boundBy(&found);
      core::Airport airport;
      size_t blockEnd = 0;
      const bool kept =
          format_.read(table, slot.row, airport, scratch, blockEnd);
      if (table.wantsMore()) return false;  // read again with more rows
      found.append(std::move(scratch));
      if (kept) {
        format_.write(slot.out, airport);
        ++slot.kept[slot.part];
        if (tracksUnread()) {
          slot.blocks.add(slot.part, part.firstRow, slot.row, blockEnd);
        }
      } else if (tracksUnread()) {
        slot.blocks.rowNotKept(slot.part, part.firstRow, slot.row,
                               table.wordCount(slot.row));
      }
    }
    if (!last) slot.row = parts[slot.part + 1].firstRow;
  }
  return true;
}

void Conversion::read(Slot& slot, Lock& lock) {
  slot.state = Slot::State::kRunning;
  std::vector<RowSpan> spans;
  const bool end = rowsFrom(slot, spans);
  lock.unlock();
  const bool done = readBlocks(slot, spans, end);
  lock.lock();
  if (done) {
    slot.state = Slot::State::kDone;
  } else {
    // It reads again once the chunks of twice its reach are published; at
    // once if they were published while it ran, as no later fill may come
    // to wake it.
    slot.reach *= 2;
    slot.retryAt = slot.seq + 1 + slot.reach;
    if (published_ >= slot.retryAt || allRead_) {
      slot.state = Slot::State::kReady;
      ready_.emplace(slot.seq, &slot);
    } else {
      slot.state = Slot::State::kWaiting;
      waiting_.push_back(&slot);
    }
  }
  changed_.notify_all();
}

void Conversion::passOn(Lock& lock) {
  passingOn_ = true;
  std::unique_ptr<Slot> slot = std::move(window_.front());
  window_.pop_front();
  lock.unlock();
  if (slot->out.size() > 0) output_(slot->out.view());
  if (tracksUnread()) passUnreadRows(*slot);
  const std::vector<Chunk::Part>& parts = slot->chunk.parts();
  for (size_t k = 0; k < parts.size(); ++k) {
    result_.findings[parts[k].file].append(std::move(slot->found[k]));
    result_.airports[parts[k].file] += slot->kept[k];
  }
  slot->chunk.clear();
  slot->out.clear();
  lock.lock();
  passingOn_ = false;
  spare_.push_back(std::move(slot));
  changed_.notify_all();
}

void Conversion::passUnreadRows(Slot& slot) {
  const std::vector<Chunk::Part>& parts = slot.chunk.parts();
  for (size_t k = 0; k < parts.size(); ++k) {
    const Chunk::Part& part = parts[k];
    const RowSpan own = slot.chunk.rowsOf(k);
    const core::WordTable table({&own, 1}, true, format_.separators);
    core::Findings& findings = result_.findings[part.file];
    size_t from = part.firstRow;
    slot.blocks.takePart(k, part.firstRow,
                         [&](size_t start, size_t last, size_t end) {
                           unread_.rows(table, from, start, findings);
                           unread_.blockKept(table, last, end, findings);
                           from = start;
                         });
    unread_.rows(table, from, part.firstRow + part.rows, findings);
    if (part.endsFile) unread_.fileEnded(findings);
  }
}

void Conversion::work() {
  Lock lock(mutex_);
#if defined(__cpp_exceptions)
  try {
    serve(lock);
  } catch (...) {
    // Memory ran out (or a size past what the system can hold): the
    // conversion ends as it would on one thread.
    if (!lock.owns_lock()) lock.lock();
    outOfMemory_ = true;
    stop();
  }
#else
  serve(lock);  // a failed allocation ends the program
#endif
}

void Conversion::serve(Lock& lock) {
  while (!stopped_ && !(allRead_ && window_.empty())) {
    if (!passingOn_ && !window_.empty() &&
        window_.front()->state == Slot::State::kDone) {
      passOn(lock);
    } else if (canFill()) {
      fill(lock);
    } else if (!ready_.empty()) {
      Slot& slot = *ready_.begin()->second;  // the front chunk's first
      ready_.erase(ready_.begin());
      read(slot, lock);
    } else {
      changed_.wait(lock);
    }
  }
}

Result Conversion::convert() {
  const size_t threads = shape_.threads != 0 ? shape_.threads : threadsToUse();
  onThreads(
      threads,
      [](void* conversion) { static_cast<Conversion*>(conversion)->work(); },
      this);
  if (outOfMemory_) core::outOfMemory();
  if (!result_.failedInput) {
    for (size_t k = 0; k < result_.findings.size(); ++k) {
      const core::FileMarks& marks = reader_.marks(k);
      core::addFileMarks(marks.textAfterEndRow, marks.firstNulRow,
                         format_.fileMarkKind, result_.findings[k]);
    }
  }
  return std::move(result_);
}

}  // namespace

Result convert(const Format& format, core::Source& inputs,
               const std::function<void(std::string_view)>& output,
               const Window& window) {
  return Conversion(format, inputs, output, window).convert();
}

}  // namespace engine
