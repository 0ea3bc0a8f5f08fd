// A format whose every row is a block of its own, written as one line of
// "APB": so that the rows and words the engine gives a reader can be
// compared with a plain model of the text file rules (expectedWords),
// through any window and number of threads.
#ifndef TESTS_SUPPORT_ROWS_FORMAT_H_
#define TESTS_SUPPORT_ROWS_FORMAT_H_

#include <string>
#include <string_view>
#include <vector>

#include "apb/line_sink.h"
#include "core/findings/findings.h"
#include "core/reading/word_table.h"
#include "core/records.h"
#include "engine/engine.h"
#include "tests/support/words.h"

namespace tests {
namespace detail {

inline bool everyRow(const core::WordTable& /*table*/, size_t /*row*/) {
  return true;
}

// The row's number, its words by wordAt, and its words by rowWords, each
// word also checked by wordIs: a "!" marks a word that wordIs does not
// take for itself, or a text one byte longer that it takes.
inline bool readRow(const core::WordTable& table, size_t row,
                    core::Airport& airport, core::Findings& /*findings*/,
                    size_t& end) {
  const size_t count = table.wordCount(row);
  airport.icao = std::to_string(row);
  for (size_t col = 0; col < count; ++col) {
    const std::string_view word = core::wordAt(table, row, col);
    airport.name += ' ';
    airport.name += word;
    if (!core::wordIs(table, row, col, word) ||
        core::wordIs(table, row, col, std::string(word) + "x")) {
      airport.name += '!';
    }
  }
  if (!core::wordAt(table, row, count).empty()) airport.name += " !";
  std::vector<std::string_view> words(count + 1);
  words.resize(core::rowWords(table, row, words.data(), words.size()));
  for (const std::string_view word : words) {
    airport.city += ' ';
    airport.city += word;
  }
  end = row + 1;
  return true;
}

inline void writeRow(apb::LineSink& out, const core::Airport& airport) {
  out.text(airport.icao).text(":").text(airport.name).text(" |");
  out.text(airport.city).endLine();
}

}  // namespace detail

// The format, with "=" and ";" as separators says.
inline engine::Format rowsFormat(core::Separators separators) {
  engine::Format format;
  format.separators = separators;
  format.isStart = detail::everyRow;
  format.read = detail::readRow;
  format.write = detail::writeRow;
  return format;
}

// What rowsFormat writes for bytes, by the plain model.
inline std::string expectedRowLines(std::string_view bytes,
                                    core::Separators separators) {
  std::string lines;
  const Rows rows = expectedWords(bytes, separators);
  for (size_t row = 0; row < rows.size(); ++row) {
    std::string words;
    for (const std::string& word : rows[row]) words += ' ' + word;
    lines += std::to_string(row) + ":" + words + " |" + words + "\r\n";
  }
  return lines;
}

}  // namespace tests

#endif  // TESTS_SUPPORT_ROWS_FORMAT_H_
