// Whole input files as lines and words, for tests, fuzzing and benchmarks:
// the rules of the window that the programs read their input through
// (core/line_reader.h), applied to a file held whole.
#ifndef CORE_LINES_H_
#define CORE_LINES_H_

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/findings.h"
#include "core/line_reader.h"
#include "core/word_table.h"

namespace core {

// The lines of one input file, in file order. A line is the text between two
// line feeds, without the carriage return of a CR LF pair, cut at its first
// NUL byte; the file ends at its first Ctrl-Z. Lines of any length are kept
// whole. With Separators::kBlanks every "=" and ";" reads as a blank.
class LineList {
 public:
  static constexpr size_t kNone = detail::FileMarks::kNone;

  LineList() = default;

  size_t size() const { return held_ ? held_->marks.rows : 0; }
  bool empty() const { return size() == 0; }
  // Every line as a view, in order.
  std::vector<std::string_view> toViews() const;
  // What only the bytes showed (see detail::FileMarks).
  size_t textAfterEndRow() const {
    return held_ ? held_->marks.textAfterEndRow : kNone;
  }
  size_t firstNulRow() const {
    return held_ ? held_->marks.firstNulRow : kNone;
  }

 private:
  friend bool loadLines(const std::filesystem::path& path, LineList& lines,
                        Separators separators, std::error_code& reason);
  friend LineList linesFromBytes(std::string_view bytes, Separators separators);
  friend WordTable splitWords(const LineList& lines);

  // In one block, so that tables keep pointing at it when the list moves.
  struct Held {
    explicit Held(Separators s) : chunk(size_t{1} << 16), separators(s) {}
    detail::Chunk chunk;
    detail::RowRun run;
    detail::FileMarks marks;
    Separators separators;
    mutable std::string blanked;  // the bytes with "=" and ";" as blanks
  };
  // Reads what reader has open into lines; true on failure.
  static bool read(detail::LineReader& reader, Separators separators,
                   LineList& lines, std::error_code& reason);
  std::unique_ptr<Held> held_;
};

// Reads the file at path into lines. True when the file cannot be opened or
// read, or changed while it was read, with the system's reason; lines is
// then left empty. Byte 26 (Ctrl-Z) ends the file.
bool loadLines(const std::filesystem::path& path, LineList& lines,
               Separators separators, std::error_code& reason);
bool loadLines(const std::filesystem::path& path, LineList& lines,
               Separators separators);

// Loads from memory instead of a file, with the same rules.
LineList linesFromBytes(std::string_view bytes, Separators separators);

// The words of every line of lines: one row per line, empty rows included.
// The table refers to lines, which must outlive it. Never fails.
WordTable splitWords(const LineList& lines);

// addFileMarks for the marks of lines.
inline void addFileMarks(const LineList& lines, unsigned kind,
                         Findings& findings) {
  addFileMarks(lines.textAfterEndRow(), lines.firstNulRow(), kind, findings);
}

}  // namespace core

#endif  // CORE_LINES_H_
