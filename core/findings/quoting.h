// How a finding shows what it quotes from a file: words, and the row it
// expected something of.
#ifndef CORE_FINDINGS_QUOTING_H_
#define CORE_FINDINGS_QUOTING_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "core/reading/word_table.h"

namespace core {

// How a finding names the row it expected something of: "WORD" (its first
// word, quoted), an empty line, or past the end of the file (N lines).
std::string describeRow(const WordTable& table, size_t row);

// How many of word's bytes its first longest bytes hold without cutting a
// UTF-8 letter (whose continuation bytes are 10xxxxxx).
size_t letterCut(std::string_view word, size_t longest);

// A word as a message shows it: control bytes as "?", a long word cut
// after 64 bytes with "...", so that one finding stays one readable line.
std::string shown(std::string_view word);
// shown(word) in double quotes.
std::string quoted(std::string_view word);

}  // namespace core

#endif  // CORE_FINDINGS_QUOTING_H_
