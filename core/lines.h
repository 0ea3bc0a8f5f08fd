// Input files as lines, and lines as words: the only view the readers have of a file.
#ifndef CORE_LINES_H_
#define CORE_LINES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace core {

// The two ways of loading a file: the converter turns every "=" and ";" into a
// blank and names a missing file without a full stop; the trevik loader keeps
// the bytes as read.
enum class LoadVariant { kConverter, kTrevik };

class WordTable;

// The lines of one input file, in file order. The file's bytes are held once;
// a line is the text between two line feeds, without the carriage return of a
// CR LF pair and cut at its first NUL byte. Lines of any length are kept whole.
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

 private:
  friend bool loadLines(const std::filesystem::path& path, LineList& lines,
                        LoadVariant variant);
  friend LineList linesFromBytes(std::string_view bytes, LoadVariant variant);
  friend WordTable splitWords(const LineList& lines);

  // Takes raw file bytes data[0, size), with one spare byte after them, and
  // applies the file rules: Ctrl-Z ends the file, the converter blanks "="
  // and ";", a line feed is put after the content.
  static LineList fromBuffer(std::unique_ptr<char[]> data, size_t size,
                             LoadVariant variant);

  // bytes_[0, size_) is the file up to its first Ctrl-Z; bytes_[size_] is a
  // line feed that ends the last line, so every line ends in a line feed.
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
  size_t lineCount_ = 0;
};

// The words of every line of one LineList: one row per line, empty rows
// included, so row k is always line k of the file. A word is a run of bytes
// other than blank, tab, line feed, vertical tab, form feed and carriage return.
// The table refers to the bytes of its LineList, which must outlive it.
class WordTable {
 public:
  WordTable() = default;

  size_t rows() const { return rowStart_.empty() ? 0 : rowStart_.size() - 1; }
  // Number of words of a row; 0 for a row that does not exist.
  size_t wordCount(size_t row) const {
    return row < rows() ? rowStart_[row + 1] - rowStart_[row] : 0;
  }

 private:
  friend WordTable splitWords(const LineList& lines);
  friend std::string_view wordAt(const WordTable& table, size_t row,
                                 size_t col);

  const char* bytes_ = nullptr;
  // Words of row k are wordStart_[rowStart_[k] .. rowStart_[k+1]); a word
  // runs from its start to the next whitespace or NUL byte.
  std::vector<uint64_t> rowStart_;
  std::vector<uint64_t> wordStart_;
};

// Reads the file at path into lines (which callers pass empty). Returns true
// when the file cannot be opened or read, after writing the variant's message
// to standard output; lines is then left empty. Byte 26 (Ctrl-Z) ends the file.
bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant);

// Loads from memory instead of a file, with the same line and variant rules.
LineList linesFromBytes(std::string_view bytes, LoadVariant variant);

// Cuts every line into its whitespace-separated words. One row per line, empty
// rows included, so row k is always line k of the file. Never fails.
WordTable splitWords(const LineList& lines);

// The word at (row, col), counted from 0, or an empty view when that row or
// word does not exist.
std::string_view wordAt(const WordTable& table, size_t row, size_t col);

template <typename Visit>
void LineList::forEach(Visit visit) const {
  const char* p = bytes_.get();
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
