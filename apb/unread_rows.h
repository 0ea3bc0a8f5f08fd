// The rows of an input that no kept block reads, for a program that says
// when they may have held data.
#ifndef APB_UNREAD_ROWS_H_
#define APB_UNREAD_ROWS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/findings.h"
#include "core/word_table.h"

namespace apb {

// Takes the rows of one file after another, each file in row order: rows()
// for the rows between the starts of the kept blocks, blockKept() for each
// kept block, in the order of its start row; then fileEnded(), after which
// it takes the next file afresh. Blocks between which every row is read by
// one of them or blank may come as one, from the first one's start to the
// furthest end (of the last block that reaches it), and their blank rows do
// not come. The table of a call holds at least the rows it names; rows
// under a kept block may come again and are passed over.
class UnreadRows {
 public:
  virtual ~UnreadRows() = default;
  // The rows [from, to) of table, from the row after the last one passed.
  virtual void rows(const core::WordTable& table, size_t from, size_t to,
                    core::Findings& findings) = 0;
  // A kept block that starts at row start of table read the rows up to end.
  virtual void blockKept(const core::WordTable& table, size_t start, size_t end,
                         core::Findings& findings) = 0;
  virtual void fileEnded(core::Findings& findings) = 0;
};

namespace detail {

// The kept blocks of the parts of a chunk, in order, as runs of blocks
// between which every row is read by one of them or blank: such a run is
// passed on as if it were one block, its start that of the first block, its
// end the furthest (of the last block that reaches that far), so that a
// chunk of a clean file holds a run or two rather than thousands of blocks.
// Rows are counted from their part's first in 32 bits; an end that does not
// fit (a run of billions of rows) is kept apart.
class KeptBlocks {
 public:
  void clear() {
    runs_.clear();
    farEnds_.clear();
    next_ = 0;
    nextFar_ = 0;
    open_ = false;
    part_ = SIZE_MAX;
    readUntil_ = 0;
  }
  // Row of part, of words words, starts no kept block: when it is not
  // blank and no block kept so far reads it, a kept block after it starts
  // a new run.
  void rowNotKept(size_t part, size_t firstRow, size_t row, size_t words) {
    const size_t readUntil = part == part_ ? readUntil_ : firstRow;
    if (row >= readUntil && words != 0) open_ = false;
  }
  void add(size_t part, size_t firstRow, size_t start, size_t end) {
    if (part != part_) {
      part_ = part;
      readUntil_ = firstRow;
      open_ = false;
    }
    readUntil_ = std::max(readUntil_, end);
    if (open_ && end < runs_.back().endFrom(firstRow, farEnds_)) return;
    const size_t reach = end - firstRow;
    const bool far = reach >= kFar;
    if (open_) {
      if (runs_.back().end == kFar) farEnds_.pop_back();
    } else {
      runs_.push_back({static_cast<uint32_t>(part),
                       static_cast<uint32_t>(start - firstRow), 0, 0});
      open_ = true;
    }
    if (far) farEnds_.push_back(end);
    runs_.back().last = static_cast<uint32_t>(start - firstRow);
    runs_.back().end = far ? kFar : static_cast<uint32_t>(reach);
  }
  // Calls take(start, last, end) for each run of part, in order: its first
  // start row, the start row of the block that reaches furthest, its end.
  // Parts are taken in order, each once.
  template <typename Take>
  void takePart(size_t part, size_t firstRow, const Take& take) {
    for (; next_ < runs_.size() && runs_[next_].part == part; ++next_) {
      const Run& run = runs_[next_];
      take(firstRow + run.start, firstRow + run.last,
           run.end == kFar ? farEnds_[nextFar_++] : firstRow + run.end);
    }
  }

 private:
  static constexpr uint32_t kFar = UINT32_MAX;
  struct Run {
    uint32_t part;
    uint32_t start;  // of its first block
    uint32_t last;   // start of the block that reaches furthest
    uint32_t end;    // or kFar: the last of farEnds_
    size_t endFrom(size_t firstRow, const std::vector<size_t>& far) const {
      return end == kFar ? far.back() : firstRow + end;
    }
  };
  std::vector<Run> runs_;
  std::vector<size_t> farEnds_;
  size_t next_ = 0;         // the first run not yet taken
  size_t nextFar_ = 0;      // and its far end, if it has one
  bool open_ = false;       // the last run may take the next block
  size_t part_ = SIZE_MAX;  // the part of the last block added
  size_t readUntil_ = 0;
};

}  // namespace detail

}  // namespace apb

#endif  // APB_UNREAD_ROWS_H_
