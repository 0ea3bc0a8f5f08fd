// The rows of an input that no kept block reads, for a program that says
// when they may have held data.
#ifndef APB_UNREAD_ROWS_H_
#define APB_UNREAD_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/findings.h"
#include "core/word_table.h"

namespace apb {

// Takes the rows of one file after another, each file in row order: rows()
// for the rows between the starts of the kept blocks, blockKept() for each
// kept block, in the order of its start row; then fileEnded(), after which
// it takes the next file afresh. The table of a call holds at least the
// rows it names; rows under a kept block may come again and are passed over.
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

// The kept blocks of a part of a chunk: their start and end rows, counted
// from the part's first row in 32 bits, as a chunk holds a few thousand
// blocks; an end that does not fit (a block of billions of rows) is kept
// apart.
class KeptBlocks {
 public:
  void clear() {
    blocks_.clear();
    farEnds_.clear();
  }
  void add(size_t firstRow, size_t start, size_t end) {
    const size_t reach = end - firstRow;
    const bool far = reach >= kFar;
    if (far) farEnds_.push_back(end);
    blocks_.push_back({static_cast<uint32_t>(start - firstRow),
                       far ? kFar : static_cast<uint32_t>(reach)});
  }
  // Calls take(start, end) for each block, in order.
  template <typename Take>
  void forEach(size_t firstRow, const Take& take) const {
    size_t far = 0;
    for (const auto& [start, end] : blocks_) {
      take(firstRow + start, end == kFar ? farEnds_[far++] : firstRow + end);
    }
  }

 private:
  static constexpr uint32_t kFar = UINT32_MAX;
  std::vector<std::pair<uint32_t, uint32_t>> blocks_;
  std::vector<size_t> farEnds_;
};

}  // namespace detail

}  // namespace apb

#endif  // APB_UNREAD_ROWS_H_
