// The lines of an ANF file that no airport reads.
#include "trevik/unread_lines.h"

#include <string>

#include "core/findings/quoting.h"
#include "core/numbers/numbers.h"
#include "trevik/reader.h"

namespace trevik {
namespace {

// The words of a runway line.
constexpr size_t kRunwayWords = 7;

std::string lineText(size_t row) { return "line " + std::to_string(row + 1); }

}  // namespace

bool mayHoldData(const core::WordTable& table, size_t row) {
  return table.wordCount(row) >= kRunwayWords ||
         core::isDecimalNumber(core::wordAt(table, row, 0));
}

std::string_view airportName(const core::WordTable& table, size_t header) {
  return core::wordAt(table, header, 1);
}

void noteUnreadLines(const engine::UnreadLines& lines,
                     core::Findings& findings) {
  findings.note(lines.first, kUnread, [&] {
    core::Noted noted;
    std::string& text = noted.message;
    text = std::to_string(lines.lines) +
           (lines.lines == 1 ? " line belongs to no airport and is ignored"
                             : " lines belong to no airport and are ignored");
    if (!lines.after.empty()) {
      text += ": airport " + core::shown(lines.after) + " ends at " +
              lineText(lines.first - 1) + ", as " + lineText(lines.first) +
              " should be a runway line of 7 words but has " +
              std::to_string(lines.firstWords);
      noted.facts.airport = std::string(lines.after);
    }
    return noted;
  });
}

}  // namespace trevik
