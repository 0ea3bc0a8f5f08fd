// The rows of one input file as a reader sees them: lines cut into words,
// found by their row number in the file.
#ifndef CORE_READING_WORD_TABLE_H_
#define CORE_READING_WORD_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace core {

// How a file's "=" and ";" read: as blanks between words (files of
// "Key=Value;" lines), or as bytes of words.
enum class Separators { kInWords, kBlanks };

// The over-read contract of the word kernels: they look at 16, 32 or 64
// bytes at a time and so read past the byte they stop at. Every row they
// scan ends in a line feed, and at least kPadding readable bytes follow the
// last one in every buffer that holds rows (core/reading/line_reader.h's
// Chunk): from a word's start, 64 bytes are readable at least, whatever
// the word.
inline constexpr size_t kPadding = 64;

// Consecutive rows of one file held in memory: row firstRow + k has
// counts[k] words (kManyWords: that many or more), the first of which
// starts at base + first[k] (for an empty row, somewhere in its line).
struct RowSpan {
  size_t firstRow = 0;
  size_t rows = 0;
  const uint8_t* counts = nullptr;
  const char* base = nullptr;
  const uint32_t* first = nullptr;

  const char* firstWord(size_t row) const {
    return base + first[row - firstRow];
  }
};

// The words of the lines of one file, one row per line, empty rows included,
// so row k is always line k of the file (from 0). A word is a run of bytes
// other than blank, tab, line feed, vertical tab, form feed and carriage
// return (and, where the file's "=" and ";" read as blanks, those).
//
// A table may hold only a window of the file's rows. Asked for a row beyond
// them before the file's end is known, it answers as for a row past the end
// (no words) and notes that the reader wanted more (wantsMore()): what the
// reader made of those rows is then not the file's, and it reads again once
// more rows are held. The table refers to bytes it does not own, which must
// outlive it.
class WordTable {
 public:
  // A row of this many words or more keeps this count and is counted again
  // when asked.
  static constexpr uint8_t kManyWords = 255;

  WordTable() = default;
  // The rows of spans, which follow each other without a gap; end tells
  // that the last span ends the file.
  WordTable(std::span<const RowSpan> spans, bool end, Separators separators);

  // True when row is a line of the file.
  bool exists(size_t row) const { return spanOf(row) != nullptr; }
  // The number of lines of the file (the rows held, noting wantsMore,
  // while its end is not known).
  size_t rows() const;
  // Number of words of a row; 0 for a row that does not exist.
  size_t wordCount(size_t row) const {
    const RowSpan* span = spanOf(row);
    if (span == nullptr) return 0;
    const uint8_t count = span->counts[row - span->firstRow];
    return count != kManyWords ? count : countWords(row);
  }
  // A reader asked for a row beyond those held before the end was known.
  bool wantsMore() const { return wantsMore_; }

 private:
  friend std::string_view wordAt(const WordTable& table, size_t row,
                                 size_t col);
  friend size_t rowWords(const WordTable& table, size_t row,
                         std::string_view* words, size_t max);
  friend bool wordIs(const WordTable& table, size_t row, size_t col,
                     std::string_view text);
  friend bool wordIsAfterFirstWordByte(const WordTable& table, size_t row,
                                       size_t col, std::string_view text);

  // The span that holds row, or nullptr when none does.
  const RowSpan* spanOf(size_t row) const {
    if (current_ != nullptr && row - current_->firstRow < current_->rows) {
      return current_;
    }
    return findSpan(row);
  }
  const RowSpan* findSpan(size_t row) const;
  size_t countWords(size_t row) const;

  std::span<const RowSpan> spans_;
  size_t begin_ = 0;  // the first row held
  size_t end_ = 0;    // one past the last row held
  bool endKnown_ = true;
  bool separators_ = false;
  mutable const RowSpan* current_ = nullptr;  // the span found last
  mutable bool wantsMore_ = false;
};

// The word at (row, col), counted from 0, or an empty view when that row or
// word does not exist.
std::string_view wordAt(const WordTable& table, size_t row, size_t col);

// The first words of a row in one walk: stores words 0, 1, ... of row into
// words[0, n) and returns n, the smaller of max and the row's word count (0
// for a row that does not exist).
size_t rowWords(const WordTable& table, size_t row, std::string_view* words,
                size_t max);

// wordIs once the first byte of a first word has matched, or for the cases
// that the inline check leaves.
bool wordIsAfterFirstWordByte(const WordTable& table, size_t row, size_t col,
                              std::string_view text);

// True when the word at (row, col) is text: wordAt(table, row, col) == text,
// without finding the word's end first.
inline bool wordIs(const WordTable& table, size_t row, size_t col,
                   std::string_view text) {
  // Most rows differ from a key or marker in their first byte.
  if (col == 0 && !text.empty()) {
    const RowSpan* span = table.spanOf(row);
    if (span == nullptr) return false;
    const size_t k = row - span->firstRow;
    if (span->counts[k] == 0 || span->firstWord(row)[0] != text[0]) {
      return false;
    }
  }
  return wordIsAfterFirstWordByte(table, row, col, text);
}

}  // namespace core

#endif  // CORE_READING_WORD_TABLE_H_
