// Finding words in a WordTable: by position, a row at a time, by comparison.
#include "core/reading/word_table.h"

#include <algorithm>
#include <cstring>

#include "core/reading/scan.h"

namespace core {

using detail::collectWords;
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

WordTable::WordTable(std::span<const RowSpan> spans, bool end,
                     Separators separators)
    : spans_(spans),
      endKnown_(end),
      separators_(separators == Separators::kBlanks) {
  if (!spans.empty()) {
    begin_ = spans.front().firstRow;
    end_ = spans.back().firstRow + spans.back().rows;
    current_ = &spans.front();
  }
}

const RowSpan* WordTable::findSpan(size_t row) const {
  if (row < begin_ || row >= end_) {
    if (row >= end_ && !endKnown_) wantsMore_ = true;
    return nullptr;
  }
  // Spans are few and in row order.
  const auto span = std::upper_bound(
      spans_.begin(), spans_.end(), row,
      [](size_t r, const RowSpan& x) { return r < x.firstRow; });
  current_ = &*(span - 1);
  return current_;
}

size_t WordTable::rows() const {
  if (!endKnown_) wantsMore_ = true;
  return end_;
}

size_t WordTable::countWords(size_t row) const {
  const char* const p = spanOf(row)->firstWord(row);
  return separators_ ? countWordsFrom<true>(p) : countWordsFrom<false>(p);
}

std::string_view wordAt(const WordTable& table, size_t row, size_t col) {
  const RowSpan* span = table.spanOf(row);
  if (span == nullptr) return {};
  const uint8_t count = span->counts[row - span->firstRow];
  if (col >= count &&
      (count != WordTable::kManyWords || col >= table.countWords(row))) {
    return {};
  }
  const char* p = span->firstWord(row);
  return table.separators_ ? nthWord<true>(p, col) : nthWord<false>(p, col);
}

bool wordIsAfterFirstWordByte(const WordTable& table, size_t row, size_t col,
                              std::string_view text) {
  const RowSpan* span = col == 0 ? table.spanOf(row) : nullptr;
  if (span == nullptr || span->counts[row - span->firstRow] == 0 ||
      text.empty() || text.size() > kPadding) {
    return wordAt(table, row, col) == text;
  }
  // The bytes compared lie within the row, or the padding after the last
  // line: kPadding bytes are readable from a word's start.
  static_assert(kPadding >= 64, "a key is compared whole");
  const char* const p = span->firstWord(row);
  if (p[0] != text[0] || std::memcmp(p, text.data(), text.size()) != 0) {
    return false;
  }
  const char* const end =
      table.separators_ ? wordEnd<true>(p) : wordEnd<false>(p);
  return static_cast<size_t>(end - p) == text.size();
}

size_t rowWords(const WordTable& table, size_t row, std::string_view* words,
                size_t max) {
  const size_t n = std::min(max, table.wordCount(row));
  if (n == 0) return 0;
  const char* p = table.spanOf(row)->firstWord(row);
  return table.separators_ ? collectWords<true>(p, n, words)
                           : collectWords<false>(p, n, words);
}

}  // namespace core
