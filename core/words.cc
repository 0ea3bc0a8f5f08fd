// Finding words in a WordTable: by position, a row at a time, by
// comparison, and giving back the memory of rows already read.
#include <algorithm>
#include <cstring>

#include "core/file_bytes.h"
#include "core/lines.h"
#include "core/scan.h"

namespace core {

using detail::collectWords;
using detail::FileBytes;
using detail::isWordByte;
using detail::nextWord;
using detail::skipBlanks;
using detail::wordEnd;

namespace {

template <bool kSeparators>
size_t countWordsFrom(const char* p) {
  size_t count = 0;
  while (isWordByte<kSeparators>(*p)) {
    ++count;
    while (isWordByte<kSeparators>(*p)) ++p;
    p = skipBlanks<kSeparators>(p);
  }
  return count;
}

template <bool kSeparators>
std::string_view nthWord(const char* p, size_t col) {
  for (size_t k = 0; k < col; ++k) {
    p = nextWord<kSeparators>(wordEnd<kSeparators>(p));
  }
  return std::string_view(p, static_cast<size_t>(wordEnd<kSeparators>(p) - p));
}

}  // namespace

size_t WordTable::countWords(size_t row) const {
  return separators_ ? countWordsFrom<true>(firstWord(row))
                     : countWordsFrom<false>(firstWord(row));
}

std::string_view wordAt(const WordTable& table, size_t row, size_t col) {
  if (row >= table.rows_) return {};
  const uint8_t count = table.counts_[row];
  if (col >= count &&
      (count != WordTable::kManyWords || col >= table.countWords(row))) {
    return {};
  }
  const char* p = table.firstWord(row);
  return table.separators_ ? nthWord<true>(p, col) : nthWord<false>(p, col);
}

namespace detail {

bool wordIsAfterFirstByte(const WordTable& table, size_t row, size_t col,
                          std::string_view text) {
  if (col != 0 || row >= table.rows_ || table.counts_[row] == 0 ||
      text.empty() || text.size() > FileBytes::kPadding) {
    return wordAt(table, row, col) == text;
  }
  // Most rows differ in their first byte. The bytes compared lie within the
  // row or the padding after the last line.
  const char* const p = table.firstWord(row);
  if (p[0] != text[0] || std::memcmp(p, text.data(), text.size()) != 0) {
    return false;
  }
  const char* const end =
      table.separators_ ? wordEnd<true>(p) : wordEnd<false>(p);
  return static_cast<size_t>(end - p) == text.size();
}

}  // namespace detail

void releaseRows(const WordTable& table, size_t begin, size_t end) {
  end = std::min(end, table.rows_);
  if (begin >= end || table.releasable_ == 0) return;
  // From the first word of begin to that of end: the blanks that start a
  // line are read only when the line is.
  const auto offset = [&](size_t row) {
    return static_cast<size_t>(table.firstWord(row) - table.bytes_);
  };
  const size_t from = offset(begin);
  const size_t to = std::min(
      end < table.rows_ ? offset(end) : table.releasable_, table.releasable_);
  detail::releasePages(table.bytes_, from, to);
}

size_t rowWords(const WordTable& table, size_t row, std::string_view* words,
                size_t max) {
  if (row >= table.rows_) return 0;
  const size_t n = std::min(max, table.wordCount(row));
  if (n == 0) return 0;
  const char* p = table.firstWord(row);
  return table.separators_ ? collectWords<true>(p, n, words)
                           : collectWords<false>(p, n, words);
}

}  // namespace core
