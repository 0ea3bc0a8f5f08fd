// The rows of an input that no kept block reads: which blocks a chunk kept,
// and the lines between them, told to a program's rule in row order.
#ifndef ENGINE_UNREAD_LINES_H_
#define ENGINE_UNREAD_LINES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/findings/findings.h"
#include "core/reading/word_table.h"
#include "engine/engine.h"

namespace engine {

// The kept blocks of the parts of a chunk, in order, as groups of blocks
// between which every row is read by one of them or blank: a group is
// taken as if it were one block, its start that of its first block, its
// end the furthest (of its last block that reaches that far), so that a
// chunk of a clean file holds a group or two rather than thousands of
// blocks. Rows are counted from their part's first in 32 bits; an end that
// does not fit (a group of billions of rows) is kept apart.
class KeptBlocks {
 public:
  // Forgets every group, for a chunk used again.
  void clear();
  // Row of part, of words words, starts no kept block: when it is not
  // blank and no block kept so far reads it, the next kept block starts a
  // new group.
  void rowNotKept(size_t part, size_t firstRow, size_t row, size_t words) {
    const size_t readUntil = part == part_ ? readUntil_ : firstRow;
    if (row >= readUntil && words != 0) open_ = false;
  }
  // A block of part (whose first row is firstRow) kept rows [start, end).
  void add(size_t part, size_t firstRow, size_t start, size_t end);
  // Calls take(start, last, end) for each group of part, in order: its first
  // block's start, the start of the block that reaches furthest, and its
  // end. Parts are taken in order, each once.
  template <typename Take>
  void takePart(size_t part, size_t firstRow, const Take& take) {
    for (; next_ < groups_.size() && groups_[next_].part == part; ++next_) {
      const Group& group = groups_[next_];
      take(firstRow + group.start, firstRow + group.last,
           group.end == kFar ? farEnds_[nextFar_++] : firstRow + group.end);
    }
  }

 private:
  static constexpr uint32_t kFar = UINT32_MAX;
  struct Group {
    uint32_t part;
    uint32_t start;  // of its first block
    uint32_t last;   // start of the block that reaches furthest
    uint32_t end;    // or kFar: the last of farEnds_
  };
  size_t endOf(const Group& group, size_t firstRow) const {
    return group.end == kFar ? farEnds_.back() : firstRow + group.end;
  }
  std::vector<Group> groups_;
  std::vector<size_t> farEnds_;
  size_t next_ = 0;         // the first group not yet taken
  size_t nextFar_ = 0;      // and its far end, if it has one
  bool open_ = false;       // the last group may take the next block
  size_t part_ = SIZE_MAX;  // the part of the last block added
  size_t readUntil_ = 0;    // the furthest end of its kept blocks
};

// Follows the rows of one input after another, in row order, and tells the
// format's rule (Format::unread) of the lines no kept block reads: rows()
// for the rows from the last kept group's start to the next one's,
// blockKept() for each group, fileEnded() at the end of each input. The
// table of a call holds at least the rows it names; rows under a kept block
// may come again and are passed over.
class UnreadTracker {
 public:
  explicit UnreadTracker(const Format& format) : format_(format) {}

  void rows(const core::WordTable& table, size_t from, size_t to,
            core::Findings& findings);
  void blockKept(const core::WordTable& table, size_t start, size_t end,
                 core::Findings& findings);
  void fileEnded(core::Findings& findings);

 private:
  // Tells the rule of the lines under way, if any.
  void endLines(core::Findings& findings);

  const Format& format_;
  size_t readUntil_ = 0;  // every row before it is read by a kept block
  std::string after_;     // the name of the block that ends there
  bool open_ = false;     // lines are under way
  bool silent_ = false;   // they start at a row that starts a block
  bool mayHold_ = false;  // one of them may have held data
  UnreadLines lines_;
};

}  // namespace engine

#endif  // ENGINE_UNREAD_LINES_H_
