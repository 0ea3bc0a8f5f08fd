// The lines of an ANF file that no airport reads, and when they may have
// held data: the unread-lines rule of trevik's format.
#ifndef TREVIK_UNREAD_LINES_H_
#define TREVIK_UNREAD_LINES_H_

#include <cstddef>
#include <string_view>

#include "core/findings/findings.h"
#include "core/reading/word_table.h"
#include "engine/engine.h"

namespace trevik {

// An airport ends at the first line after its obstacles that is no runway
// line of 7 words, so a runway line that lost a word leaves every later line
// of its airport to no airport. Lines that no airport reads may have held
// data when one of them begins with a number word ("12.5", not "500FT") or
// has 7 words or more; a remark after an airport stays silent.
bool mayHoldData(const core::WordTable& table, size_t row);
// An airport is named by its ICAO code, the second word of its header.
std::string_view airportName(const core::WordTable& table, size_t header);
// Notes lines that may have held data at their first line, with their
// count, and why the airport before them ended there.
void noteUnreadLines(const engine::UnreadLines& lines,
                     core::Findings& findings);

}  // namespace trevik

#endif  // TREVIK_UNREAD_LINES_H_
