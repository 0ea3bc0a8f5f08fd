// Converting input files to "APB" while they are read: a window of chunks
// that any thread fills, reads or passes on, whichever step is ready.
#include "apb/conversion.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "core/workers.h"

namespace apb {
namespace {

using core::detail::Chunk;
using core::detail::FileMarks;
using core::detail::LineReader;
using core::detail::RowRun;

// A chunk holds about a megabyte of lines: large enough that a thread
// hand-off or a block read again at its end costs nothing in comparison,
// small enough to stay in the cache while its blocks are read. The window
// is a few chunks, so that one is filled while the others are read and
// passed on. Builds with APB_SMALL_WINDOW make both tiny, so that tests
// meet every edge of the window.
#ifdef APB_SMALL_WINDOW
constexpr size_t kChunkBytes = 64;
constexpr size_t kWindowChunks = 3;
#else
constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr size_t kWindowChunks = 4;
#endif

// A chunk of the window and the task that reads its blocks.
struct Slot {
  enum class State { kFilling, kReady, kRunning, kWaiting, kDone };

  Slot() : chunk(kChunkBytes), out(2 * kChunkBytes) {}

  Chunk chunk;
  LineSink out;                       // the lines of its blocks
  std::vector<core::Findings> found;  // per part of the chunk
  std::vector<size_t> kept;           // blocks kept, per part
  // Its kept blocks, for a conversion that takes the rows no block reads.
  detail::KeptBlocks blocks;
  State state = State::kFilling;
  size_t seq = 0;      // its place among the chunks of the run
  size_t part = 0;     // where the task goes on: the part
  size_t row = 0;      // and the row
  size_t reach = 1;    // chunks after it whose rows its task takes in
  size_t retryAt = 0;  // a waiting task reads again from this many chunks
};

class Window {
 public:
  Window(std::span<const std::filesystem::path> inputs,
         const Conversion& conversion)
      : inputs_(inputs),
        conversion_(conversion),
        reader_(conversion.separators),
        marks_(inputs.size()) {
    if (conversion.makeUnreadRows) unread_ = conversion.makeUnreadRows();
    read_.failed = inputs.size();
    read_.findings.resize(inputs.size());
    read_.kept.assign(inputs.size(), 0);
  }

  InputsRead run();

 private:
  // One thread's share: takes whatever step is ready until none is left.
  void work();
  bool canFill() const;
  Slot* readyTask();
  // The steps; each is called with lock held and returns with it held.
  void fill(std::unique_lock<std::mutex>& lock);
  void read(Slot& slot, std::unique_lock<std::mutex>& lock,
            BlockConverter& converter);
  void passOn(std::unique_lock<std::mutex>& lock);
  // Passes the rows of slot, and its kept blocks, to unread_.
  void passUnreadRows(Slot& slot);
  // Fills slot with the next lines of the inputs; false when an input
  // failed.
  bool fillChunk(Slot& slot);
  // The rows of the last part of slot and of the chunks after it that go
  // on with its file; true when they reach the end of the file.
  bool rowsFrom(const Slot& slot, std::vector<RowRun>& runs) const;
  // Reads the blocks of slot from where its task stopped; false when a
  // block needs rows the window does not hold yet.
  bool readBlocks(Slot& slot, std::vector<RowRun>& runs, bool end,
                  BlockConverter& converter);
  void stop() {
    stopped_ = true;
    changed_.notify_all();
  }

  const std::span<const std::filesystem::path> inputs_;
  const Conversion& conversion_;
  LineReader reader_;  // used by the thread that fills
  std::vector<FileMarks> marks_;
  std::unique_ptr<UnreadRows> unread_;  // used by the thread that passes on
  InputsRead read_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Slot>> window_;  // in input order
  std::map<size_t, Slot*> ready_;             // tasks to run, by seq
  std::vector<Slot*> waiting_;                // tasks that wait for rows
  size_t made_ = 0;                           // chunks begun so far
  std::vector<std::unique_ptr<Slot>> spare_;
  bool filling_ = false;    // a thread fills the last slot
  bool passingOn_ = false;  // a thread passes on the first slot
  bool inputOpen_ = false;  // reader_ has inputs_[nextInput_] open
  size_t nextInput_ = 0;
  bool allRead_ = false;  // every input is read and checked
  size_t published_ = 0;  // chunks filled so far
  bool stopped_ = false;  // an input failed, or memory ran out
  bool outOfMemory_ = false;
};

bool Window::canFill() const {
  if (filling_ || allRead_) return false;
  // The window grows only for a block longer than it: the first chunk's
  // task waits for rows that no chunk holds yet.
  return window_.size() < kWindowChunks ||
         window_.front()->state == Slot::State::kWaiting;
}

// The first chunk's task first, so that the window moves on.
Slot* Window::readyTask() {
  if (ready_.empty()) return nullptr;
  Slot* slot = ready_.begin()->second;
  ready_.erase(ready_.begin());
  return slot;
}

bool Window::fillChunk(Slot& slot) {
  for (;;) {
    std::error_code reason;
    if (!inputOpen_) {
      if (nextInput_ == inputs_.size()) return true;
      // An input is opened only once the one before is read and checked.
      if (!reader_.open(inputs_[nextInput_], nextInput_, reason)) {
        read_.failed = nextInput_;
        read_.reason = reason;
        return false;
      }
      inputOpen_ = true;
    }
    switch (reader_.fill(slot.chunk, false, reason)) {
      case LineReader::Fill::kFull:
        return true;
      case LineReader::Fill::kEnded:
        marks_[nextInput_++] = reader_.marks();
        inputOpen_ = false;
        break;
      case LineReader::Fill::kFailed:
        read_.failed = nextInput_;
        read_.reason = reason;
        return false;
    }
  }
}

void Window::fill(std::unique_lock<std::mutex>& lock) {
  filling_ = true;
  std::unique_ptr<Slot> taken;
  if (spare_.empty()) {
    taken = std::make_unique<Slot>();
  } else {
    taken = std::move(spare_.back());
    spare_.pop_back();
  }
  Slot& slot = *taken;
  slot.state = Slot::State::kFilling;
  slot.seq = made_++;
  slot.reach = 1;
  window_.push_back(std::move(taken));
  lock.unlock();
  const bool filled = fillChunk(slot);
  const size_t parts = slot.chunk.parts().size();
  slot.found.resize(parts);
  slot.kept.assign(parts, 0);
  if (unread_) slot.blocks.clear();
  slot.part = 0;
  slot.row = parts > 0 ? slot.chunk.parts()[0].firstRow : 0;
  lock.lock();
  filling_ = false;
  if (!filled) {
    stop();
    return;
  }
  allRead_ = nextInput_ == inputs_.size() && !inputOpen_;
  slot.state = parts > 0 ? Slot::State::kReady : Slot::State::kDone;
  if (parts > 0) ready_.emplace(slot.seq, &slot);
  ++published_;
  // Tasks that wait for rows read again once the chunks they asked for
  // are filled, or their file has ended.
  const bool endsFile = parts > 0 && slot.chunk.parts()[0].endsFile;
  std::erase_if(waiting_, [&](Slot* other) {
    if (published_ < other->retryAt && !endsFile && parts <= 1 && !allRead_) {
      return false;
    }
    other->state = Slot::State::kReady;
    ready_.emplace(other->seq, other);
    return true;
  });
  changed_.notify_all();
}

bool Window::rowsFrom(const Slot& slot, std::vector<RowRun>& runs) const {
  const Chunk& chunk = slot.chunk;
  const Chunk::Part& last = chunk.parts().back();
  runs.assign(1, chunk.runOf(chunk.parts().size() - 1));
  if (last.endsFile) return true;
  // The chunks after it, as far as its reach: a task that ran out of rows
  // doubles its reach, so that no block is read again more than a few times
  // and no task walks the whole window.
  const size_t at = slot.seq - window_.front()->seq + 1;
  for (size_t k = at; k < window_.size() && runs.size() <= slot.reach; ++k) {
    const Chunk& more = window_[k]->chunk;
    if (window_[k]->state == Slot::State::kFilling) break;
    if (more.parts().empty()) continue;  // its lines went on to the next
    runs.push_back(more.runOf(0));
    if (more.parts()[0].endsFile) return true;
  }
  return false;
}

bool Window::readBlocks(Slot& slot, std::vector<RowRun>& runs, bool end,
                        BlockConverter& converter) {
  const std::vector<Chunk::Part>& parts = slot.chunk.parts();
  const bool separators = conversion_.separators == core::Separators::kBlanks;
  for (; slot.part < parts.size(); ++slot.part) {
    const Chunk::Part& part = parts[slot.part];
    const bool last = slot.part + 1 == parts.size();
    const RowRun own = slot.chunk.runOf(slot.part);
    // A row that starts no kept block may part the kept blocks around it.
    const auto notKept = [](Slot& slot, const core::WordTable& table,
                            const Chunk::Part& part) {
      slot.blocks.rowNotKept(slot.part, part.firstRow, slot.row,
                             table.wordCount(slot.row));
    };
    const core::WordTable table =
        last ? core::WordTable(runs, end, separators)
             : core::WordTable({&own, 1}, true, separators);
    core::Findings& found = slot.found[slot.part];
    for (; slot.row < part.firstRow + part.rows; ++slot.row) {
      if (!converter.isStart(table, slot.row)) {
        if (unread_) notKept(slot, table, part);
        continue;
      }
      // What a block notices counts only once it is read whole; no memory
      // is taken for a block that notices nothing.
      core::Findings scratch;
      scratch.boundBy(&found);
      const size_t mark = slot.out.size();
      size_t end = 0;
      const bool kept =
          converter.convert(table, slot.row, scratch, slot.out, end);
      if (table.wantsMore()) {
        // Read again with more rows: nothing of this try counts.
        slot.out.cutTo(mark);
        return false;
      }
      found.append(std::move(scratch));
      if (kept) {
        ++slot.kept[slot.part];
        if (unread_) slot.blocks.add(slot.part, part.firstRow, slot.row, end);
      } else if (unread_) {
        notKept(slot, table, part);
      }
    }
    if (!last) slot.row = parts[slot.part + 1].firstRow;
  }
  return true;
}

void Window::read(Slot& slot, std::unique_lock<std::mutex>& lock,
                  BlockConverter& converter) {
  slot.state = Slot::State::kRunning;
  std::vector<RowRun> runs;
  const bool end = rowsFrom(slot, runs);
  lock.unlock();
  const bool done = readBlocks(slot, runs, end, converter);
  lock.lock();
  if (done) {
    slot.state = Slot::State::kDone;
  } else {
    // It reads again once the chunks of twice its reach are filled; at once
    // if they were filled while it ran, as no later fill may come to wake
    // it.
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

void Window::passOn(std::unique_lock<std::mutex>& lock) {
  passingOn_ = true;
  std::unique_ptr<Slot> slot = std::move(window_.front());
  window_.pop_front();
  lock.unlock();
  if (slot->out.size() > 0) conversion_.output(slot->out.view());
  if (unread_) passUnreadRows(*slot);
  const std::vector<Chunk::Part>& parts = slot->chunk.parts();
  for (size_t k = 0; k < parts.size(); ++k) {
    read_.findings[parts[k].file].append(std::move(slot->found[k]));
    read_.kept[parts[k].file] += slot->kept[k];
  }
  slot->chunk.clear();
  slot->out.clear();
  lock.lock();
  passingOn_ = false;
  spare_.push_back(std::move(slot));
  changed_.notify_all();
}

void Window::passUnreadRows(Slot& slot) {
  const std::vector<Chunk::Part>& parts = slot.chunk.parts();
  const bool separators = conversion_.separators == core::Separators::kBlanks;
  for (size_t k = 0; k < parts.size(); ++k) {
    const Chunk::Part& part = parts[k];
    const RowRun own = slot.chunk.runOf(k);
    const core::WordTable table({&own, 1}, true, separators);
    core::Findings& findings = read_.findings[part.file];
    size_t from = part.firstRow;
    slot.blocks.takePart(k, part.firstRow,
                         [&](size_t start, size_t last, size_t end) {
                           unread_->rows(table, from, start, findings);
                           unread_->blockKept(table, last, end, findings);
                           from = start;
                         });
    unread_->rows(table, from, part.firstRow + part.rows, findings);
    if (part.endsFile) unread_->fileEnded(findings);
  }
}

void Window::work() {
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  try {
    const std::unique_ptr<BlockConverter> converter =
        conversion_.makeConverter();
    lock.lock();
    while (!stopped_ && !(allRead_ && window_.empty())) {
      if (!passingOn_ && !window_.empty() &&
          window_.front()->state == Slot::State::kDone) {
        passOn(lock);
      } else if (canFill()) {
        fill(lock);
      } else if (Slot* slot = readyTask()) {
        read(*slot, lock, *converter);
      } else {
        changed_.wait(lock);
      }
    }
  } catch (...) {
    // Memory ran out (or a size past what the system can hold): the run
    // ends as it would on the main thread. No worker task may throw.
    if (!lock.owns_lock()) lock.lock();
    outOfMemory_ = true;
    stop();
  }
}

InputsRead Window::run() {
  core::Workers& workers = core::Workers::shared();
  const size_t threads = std::max<size_t>(1, workers.available());
  workers.run(threads, [this](size_t) { work(); });
  if (outOfMemory_) throw std::bad_alloc();
  if (read_.failed == inputs_.size()) {
    for (size_t k = 0; k < inputs_.size(); ++k) {
      core::addFileMarks(marks_[k].textAfterEndRow, marks_[k].firstNulRow,
                         conversion_.fileMarkKind, read_.findings[k]);
    }
  }
  return std::move(read_);
}

}  // namespace

InputsRead convertInputs(std::span<const std::filesystem::path> inputs,
                         const Conversion& conversion) {
  Window window(inputs, conversion);
  return window.run();
}

}  // namespace apb
