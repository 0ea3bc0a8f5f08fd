// Input files as lines, and lines as words: the only view the readers have of a
// file.
#ifndef CORE_LINES_H_
#define CORE_LINES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/file_bytes.h"
#include "core/platform.h"

namespace core {

// The two ways of loading a file: the converter turns every "=" and ";" into a
// blank and names a missing file without a full stop; the trevik loader keeps
// the bytes as read.
enum class LoadVariant { kConverter, kTrevik };

class WordTable;

namespace detail {

// wordIs once the first byte of a first word has matched, or for the cases
// that inline check leaves.
bool wordIsAfterFirstByte(const WordTable& table, size_t row, size_t col,
                          std::string_view text);

}  // namespace detail

// The lines of one input file, in file order. The file's bytes are held once;
// a line is the text between two line feeds, without the carriage return of a
// CR LF pair and cut at its first NUL byte. Lines of any length are kept whole.
// With the converter variant every "=" and ";" of a line reads as a blank.
class LineList {
 public:
  LineList() = default;
  LineList(LineList&&) = default;
  LineList& operator=(LineList&&) = default;

  size_t size() const { return lineCount_; }
  bool empty() const { return lineCount_ == 0; }
  // Calls visit(std::string_view line) for every line, in order.
  template <typename Visit>
  void forEach(Visit visit) const;
  // Every line as a view, in order (for tests and small files).
  std::vector<std::string_view> toViews() const;

  static constexpr size_t kNone = SIZE_MAX;
  // The row of the Ctrl-Z that ends the file when more than padding
  // (blanks, tabs, line ends, Ctrl-Z, NUL) follows it: text the file seems
  // to hold but does not. Else kNone; the row may be one past the last line.
  size_t textAfterEndRow() const { return textAfterEndRow_; }
  // The row of the first line cut at a NUL byte, else kNone.
  size_t firstNulRow() const { return firstNulRow_; }

 private:
  friend bool loadLines(const std::filesystem::path& path, LineList& lines,
                        LoadVariant variant, std::error_code& reason);
  friend LineList linesFromBytes(std::string_view bytes, LoadVariant variant);
  friend WordTable splitWords(const LineList& lines);

  // Takes the bytes of a file, data[0, size), and applies the file rules:
  // Ctrl-Z ends the file and a line feed is put after the content. scans
  // are those of its pieces of kPieceBytes when the reader made them, else
  // empty.
  static LineList fromBytes(detail::FileBytes data, size_t size,
                            LoadVariant variant,
                            std::vector<detail::ByteScan> scans = {});

  // The bytes of the lines as they read: for the converter variant a copy
  // with "=" and ";" blanked, made on first use (the splitter itself reads
  // them as blanks and never needs it).
  const char* text() const;

  // bytes_[0, size_) is the file up to its first Ctrl-Z; bytes_[size_] is a
  // line feed that ends the last line, so every line ends in a line feed.
  detail::FileBytes bytes_;
  size_t size_ = 0;
  size_t lineCount_ = 0;
  LoadVariant variant_ = LoadVariant::kTrevik;
  bool hasNul_ = false;  // some line is cut at a NUL byte
  size_t textAfterEndRow_ = kNone;
  size_t firstNulRow_ = kNone;
  // The line feeds before each piece of kPieceBytes bytes of bytes_[0,
  // size_), counted a piece per thread; the splitter starts its pieces of
  // lines from them.
  static constexpr size_t kPieceBytes = detail::kScanPieceBytes;
  std::vector<size_t> lineFeedsBefore_;
  mutable std::unique_ptr<char[]> blanked_;
};

// The words of every line of one LineList: one row per line, empty rows
// included, so row k is always line k of the file. A word is a run of bytes
// other than blank, tab, line feed, vertical tab, form feed and carriage return
// (and, with the converter variant, "=" and ";").
// The table refers to the bytes of its LineList, which must outlive it.
//
// Storage, about 5 bytes per row whatever the words: the number of words of
// each row (saturating at 255, counted again when needed) and the offset of
// its first word, as 32 bits above a 64-bit base per block of 65536 rows. An
// input whose block of rows spans 4 GiB or more keeps 64-bit offsets instead.
// A word is found by walking the row from its first word.
class WordTable {
 public:
  // A row of this many words or more keeps this count and is counted again
  // when asked.
  static constexpr uint8_t kManyWords = 255;
  // Rows per block that share one 64-bit base offset.
  static constexpr unsigned kBlockShift = 16;
  // The largest offset of a first word from the base of its block that
  // start_ holds; a table with a larger one keeps 64-bit offsets (wide_).
  // Builds with CORE_SMALL_OFFSETS lower it to 16 bits, so that small test
  // inputs take the 64-bit path too.
#ifdef CORE_SMALL_OFFSETS
  static constexpr uint64_t kMaxStart = std::numeric_limits<uint16_t>::max();
#else
  static constexpr uint64_t kMaxStart = std::numeric_limits<uint32_t>::max();
#endif

  WordTable() = default;

  size_t rows() const { return rows_; }
  // Number of words of a row; 0 for a row that does not exist.
  size_t wordCount(size_t row) const {
    if (row >= rows_) return 0;
    const uint8_t count = counts_[row];
    return count != kManyWords ? count : countWords(row);
  }

 private:
  friend WordTable splitWords(const LineList& lines);
  friend std::string_view wordAt(const WordTable& table, size_t row,
                                 size_t col);
  friend size_t rowWords(const WordTable& table, size_t row,
                         std::string_view* words, size_t max);
  friend bool wordIs(const WordTable& table, size_t row, size_t col,
                     std::string_view text);
  friend bool detail::wordIsAfterFirstByte(const WordTable& table, size_t row,
                                           size_t col, std::string_view text);
  friend struct WordTableBuilder;
  friend void releaseRows(const WordTable& table, size_t begin, size_t end);

  // Where the first word of row (row < rows_) begins; for an empty row, some
  // place in its line.
  const char* firstWord(size_t row) const {
    return bytes_ + (wide_.empty() ? base_[row >> kBlockShift] + start_[row]
                                   : wide_[row]);
  }
  size_t countWords(size_t row) const;

  const char* bytes_ = nullptr;
  size_t releasable_ = 0;    // bytes_[0, releasable_) may be given back
  bool separators_ = false;  // "=" and ";" are blanks (converter variant)
  size_t rows_ = 0;
  template <typename T>
  using Array = std::vector<T, LargeBufferAllocator<T>>;
  Array<uint8_t> counts_;  // words per row, kManyWords for 255 or more
  Array<uint32_t> start_;  // first word, from the base of its block
  Array<uint64_t> base_;   // per block of 2^kBlockShift rows
  Array<uint64_t> wide_;   // first word per row, when start_ is unused
};

// Reads the file at path into lines (which callers pass empty). Returns true
// when the file cannot be opened or read, after writing the variant's message
// to standard output; lines is then left empty. Byte 26 (Ctrl-Z) ends the file.
bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant);
// The same, and reason tells why the file could not be opened or read (the
// system's error); it is cleared on success.
bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant, std::error_code& reason);

// Loads from memory instead of a file, with the same line and variant rules.
LineList linesFromBytes(std::string_view bytes, LoadVariant variant);

// Cuts every line into its whitespace-separated words. One row per line, empty
// rows included, so row k is always line k of the file. Never fails.
WordTable splitWords(const LineList& lines);

// The word at (row, col), counted from 0, or an empty view when that row or
// word does not exist.
std::string_view wordAt(const WordTable& table, size_t row, size_t col);

// True when the word at (row, col) is text: wordAt(table, row, col) == text,
// without finding the word's end first.
inline bool wordIs(const WordTable& table, size_t row, size_t col,
                   std::string_view text) {
  // Most rows differ from a key or marker in their first byte.
  if (col == 0 && row < table.rows_ && table.counts_[row] != 0 &&
      !text.empty() && table.firstWord(row)[0] != text[0]) {
    return false;
  }
  return detail::wordIsAfterFirstByte(table, row, col, text);
}

// Says that rows [begin, end) are never read again: the memory of their
// bytes goes back to the system (a file of hundreds of MB need not stay
// whole in memory once read), and they read as zeros afterwards.
void releaseRows(const WordTable& table, size_t begin, size_t end);

// The first words of a row in one walk: stores words 0, 1, ... of row into
// words[0, n) and returns n, the smaller of max and the row's word count (0
// for a row that does not exist).
size_t rowWords(const WordTable& table, size_t row, std::string_view* words,
                size_t max);

template <typename Visit>
void LineList::forEach(Visit visit) const {
  const char* p = text();
  const char* const end = p + size_;
  for (size_t k = 0; k < lineCount_; ++k) {
    const char* lf = static_cast<const char*>(
        std::memchr(p, '\n', static_cast<size_t>(end - p) + 1));
    const char* stop = lf;
    // Only a CR LF pair ends a line; a lone CR at the very end stays.
    if (stop > p && stop[-1] == '\r' && stop != end) --stop;
    const void* nul = std::memchr(p, '\0', static_cast<size_t>(stop - p));
    if (nul != nullptr) stop = static_cast<const char*>(nul);
    visit(std::string_view(p, static_cast<size_t>(stop - p)));
    p = lf + 1;
  }
}

}  // namespace core

#endif  // CORE_LINES_H_
