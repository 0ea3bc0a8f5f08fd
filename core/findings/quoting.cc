// How a finding shows what it quotes from a file.
#include "core/findings/quoting.h"

#include <algorithm>

namespace core {

size_t letterCut(std::string_view word, size_t longest) {
  size_t cut = std::min(word.size(), longest);
  while (cut < word.size() && cut > 0 &&
         (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return cut;
}

std::string shown(std::string_view word) {
  constexpr size_t kLongest = 64;
  const size_t cut = letterCut(word, kLongest);
  std::string text(word.substr(0, cut));
  std::ranges::replace_if(
      text, [](unsigned char byte) { return byte < 0x20 || byte == 0x7f; },
      '?');
  if (cut < word.size()) text += "...";
  return text;
}

std::string quoted(std::string_view word) { return '"' + shown(word) + '"'; }

std::string describeRow(const WordTable& table, size_t row) {
  if (!table.exists(row)) {
    return "past the end of the file (" + std::to_string(table.rows()) +
           (table.rows() == 1 ? " line)" : " lines)");
  }
  if (table.wordCount(row) == 0) return "an empty line";
  return quoted(wordAt(table, row, 0));
}

}  // namespace core
