// The words of a file by the text file rules, found the plain way, for tests
// to compare the loader and the window with.
#ifndef TESTS_SUPPORT_WORDS_H_
#define TESTS_SUPPORT_WORDS_H_

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/reading/word_table.h"

namespace tests {

using Rows = std::vector<std::vector<std::string>>;

// The words of each line by the rules, one line at a time: the file ends at
// its first Ctrl-Z, a line at a line feed or its first NUL.
inline Rows expectedWords(std::string_view bytes, core::Separators separators) {
  bytes = bytes.substr(0, bytes.find('\x1a'));
  std::string blanks(" \t\v\f\r");
  if (separators == core::Separators::kBlanks) blanks += "=;";
  Rows rows;
  while (!bytes.empty()) {
    const size_t lineFeed = bytes.find('\n');
    std::string_view line = bytes.substr(0, lineFeed);
    bytes.remove_prefix(lineFeed == bytes.npos ? bytes.size() : lineFeed + 1);
    line = line.substr(0, line.find('\0'));
    std::vector<std::string>& words = rows.emplace_back();
    for (size_t at = line.find_first_not_of(blanks); at != line.npos;) {
      const size_t end = std::min(line.find_first_of(blanks, at), line.size());
      words.emplace_back(line.substr(at, end - at));
      at = line.find_first_not_of(blanks, end);
    }
  }
  return rows;
}

}  // namespace tests

#endif  // TESTS_SUPPORT_WORDS_H_
