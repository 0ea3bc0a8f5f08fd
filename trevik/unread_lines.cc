// The lines of an ANF file that no airport reads.
#include "trevik/unread_lines.h"

#include <algorithm>

#include "core/numbers.h"
#include "trevik/reader.h"

namespace trevik {
namespace {

using core::Findings;
using core::WordTable;

// The words of a runway line.
constexpr size_t kRunwayWords = 7;

std::string lineText(size_t row) { return "line " + std::to_string(row + 1); }

}  // namespace

void UnreadLines::rows(const WordTable& table, size_t from, size_t to,
                       Findings& findings) {
  for (size_t row = std::max(from, readUntil_); row < to; ++row) {
    const size_t words = table.wordCount(row);
    if (words == 0) {
      endRun(findings);
      continue;
    }
    const bool anfLine = isAnfLine(table, row);
    if (anfLine || !inRun_) {
      endRun(findings);
      inRun_ = true;
      silent_ = anfLine;
      mayHold_ = false;
      follows_ = row == readUntil_ && !airport_.empty();
      first_ = row;
      lines_ = 0;
      firstWords_ = words;
    }
    ++lines_;
    if (!mayHold_) {
      mayHold_ = words >= kRunwayWords ||
                 core::isDecimalNumber(core::wordAt(table, row, 0));
    }
  }
}

void UnreadLines::blockKept(const WordTable& table, size_t start, size_t end,
                            Findings& findings) {
  endRun(findings);
  if (end < readUntil_) return;
  readUntil_ = end;
  airport_.assign(core::wordAt(table, start, 1));
}

void UnreadLines::fileEnded(Findings& findings) {
  endRun(findings);
  *this = UnreadLines();
}

void UnreadLines::endRun(Findings& findings) {
  if (!inRun_) return;
  inRun_ = false;
  if (silent_ || !mayHold_) return;
  findings.note(first_, kUnread, [&] {
    std::string text =
        std::to_string(lines_) +
        (lines_ == 1 ? " line belongs to no airport and is ignored"
                     : " lines belong to no airport and are ignored");
    if (follows_) {
      text += ": airport " + core::shown(airport_) + " ends at " +
              lineText(first_ - 1) + ", as " + lineText(first_) +
              " should be a runway line of 7 words but has " +
              std::to_string(firstWords_);
    }
    return text;
  });
}

}  // namespace trevik
