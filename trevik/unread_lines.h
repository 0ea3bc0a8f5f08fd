// The lines of an ANF file that no airport reads, and when they may have
// held data.
#ifndef TREVIK_UNREAD_LINES_H_
#define TREVIK_UNREAD_LINES_H_

#include <cstddef>
#include <string>

#include "apb/unread_rows.h"
#include "core/findings.h"
#include "core/word_table.h"

namespace trevik {

// Notes the runs of lines that no airport reads, where data may have been
// lost: an airport ends at the first line after its obstacles that is no
// runway line of 7 words, so a runway line that lost a word leaves every
// later line of its airport to no airport. A run ends at a blank line or an
// "ANF" line; it is noted at its first line, with its count of lines, when
// one of its lines begins with a number word ("12.5", not "500FT") or has
// 7 words or more (a remark after an airport stays silent), unless it
// starts at an "ANF" line, which has its own finding.
class UnreadLines final : public apb::UnreadRows {
 public:
  void rows(const core::WordTable& table, size_t from, size_t to,
            core::Findings& findings) override;
  void blockKept(const core::WordTable& table, size_t start, size_t end,
                 core::Findings& findings) override;
  void fileEnded(core::Findings& findings) override;

 private:
  void endRun(core::Findings& findings);

  size_t readUntil_ = 0;   // every row before it is read by an airport
  std::string airport_;    // the ICAO code of the airport that ends there
  bool inRun_ = false;     // a run of unread lines is under way
  bool silent_ = false;    // it starts at an "ANF" line
  bool mayHold_ = false;   // one of its lines may have held data
  bool follows_ = false;   // it starts where airport_ ends
  size_t first_ = 0;       // its first row
  size_t lines_ = 0;       // its lines so far
  size_t firstWords_ = 0;  // the words of its first line
};

}  // namespace trevik

#endif  // TREVIK_UNREAD_LINES_H_
