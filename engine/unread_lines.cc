// The rows of an input that no kept block reads.
#include "engine/unread_lines.h"

#include <algorithm>

namespace engine {

void KeptBlocks::clear() {
  groups_.clear();
  farEnds_.clear();
  next_ = 0;
  nextFar_ = 0;
  open_ = false;
  part_ = SIZE_MAX;
  readUntil_ = 0;
}

void KeptBlocks::add(size_t part, size_t firstRow, size_t start, size_t end) {
  if (part != part_) {
    part_ = part;
    readUntil_ = firstRow;
    open_ = false;
  }
  readUntil_ = std::max(readUntil_, end);
  if (open_ && end < endOf(groups_.back(), firstRow)) return;
  const size_t reach = end - firstRow;
  const bool far = reach >= kFar;
  if (open_) {
    if (groups_.back().end == kFar) farEnds_.pop_back();
  } else {
    groups_.push_back({static_cast<uint32_t>(part),
                       static_cast<uint32_t>(start - firstRow), 0, 0});
    open_ = true;
  }
  if (far) farEnds_.push_back(end);
  groups_.back().last = static_cast<uint32_t>(start - firstRow);
  groups_.back().end = far ? kFar : static_cast<uint32_t>(reach);
}

void UnreadTracker::rows(const core::WordTable& table, size_t from, size_t to,
                         core::Findings& findings) {
  for (size_t row = std::max(from, readUntil_); row < to; ++row) {
    const size_t words = table.wordCount(row);
    if (words == 0) {
      endLines(findings);
      continue;
    }
    const bool starts = format_.isStart(table, row);
    if (starts || !open_) {
      endLines(findings);
      open_ = true;
      silent_ = starts;
      mayHold_ = false;
      lines_ = {row, 0, words,
                row == readUntil_ ? std::string_view(after_) : ""};
    }
    ++lines_.lines;
    mayHold_ = mayHold_ || format_.unread.mayHoldData(table, row);
  }
}

void UnreadTracker::blockKept(const core::WordTable& table, size_t start,
                              size_t end, core::Findings& findings) {
  endLines(findings);
  if (end < readUntil_) return;
  readUntil_ = end;
  after_.assign(format_.unread.blockName(table, start));
}

void UnreadTracker::fileEnded(core::Findings& findings) {
  endLines(findings);
  readUntil_ = 0;
  after_.clear();
}

void UnreadTracker::endLines(core::Findings& findings) {
  if (!open_) return;
  open_ = false;
  if (!silent_ && mayHold_) format_.unread.note(lines_, findings);
}

}  // namespace engine
