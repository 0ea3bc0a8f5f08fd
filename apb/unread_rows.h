// The rows of an input that no kept block reads, for a program that says
// when they may have held data.
#ifndef APB_UNREAD_ROWS_H_
#define APB_UNREAD_ROWS_H_

#include <cstddef>

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

}  // namespace apb

#endif  // APB_UNREAD_ROWS_H_
