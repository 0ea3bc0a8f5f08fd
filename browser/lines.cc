// The lines of a file as the engine cuts them, for the page.
#include "browser/lines.h"

#include <span>

#include "core/reading/line_reader.h"
#include "core/reading/word_table.h"

namespace browser {
namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;

// Reads the lines of source's inputs in order, and calls see with each
// line's row (from 0), its text (with its line feed), and the words of its
// part, until see returns false or the inputs end. False, with the
// reason, when an input cannot be read.
template <typename See>
bool eachLine(core::Source& source, std::error_code& reason, See see) {
  core::LineReader reader(core::Separators::kInWords, source);
  core::Chunk chunk(kChunkBytes);
  for (;;) {
    chunk.clear();
    const core::LineReader::Fill fill = reader.loadLines(chunk, reason);
    if (fill == core::LineReader::Fill::kFailed) return false;
    for (size_t k = 0; k < chunk.parts().size(); ++k) {
      const core::Chunk::Part& part = chunk.parts()[k];
      const core::RowSpan rows = chunk.rowsOf(k);
      const core::WordTable table({&rows, 1}, part.endsFile,
                                  core::Separators::kInWords);
      std::string_view text = chunk.textOf(k);
      for (size_t row = part.firstRow; !text.empty(); ++row) {
        const size_t lineFeed = text.find('\n');
        if (!see(table, row, text.substr(0, lineFeed))) return true;
        text.remove_prefix(lineFeed + 1);
      }
    }
    if (fill == core::LineReader::Fill::kEnded) return true;
  }
}

// "Key=Value;" in the words of row: a key without ";" before an "=", and a
// last word that ends in ";".
bool readsAsKeyValue(const core::WordTable& table, size_t row) {
  const std::string_view first = core::wordAt(table, row, 0);
  const size_t equals = first.find('=');
  if (equals == 0 || equals == std::string_view::npos ||
      first.substr(0, equals).find(';') != std::string_view::npos) {
    return false;
  }
  const std::string_view last =
      core::wordAt(table, row, table.wordCount(row) - 1);
  return last.ends_with(';') &&
         (table.wordCount(row) > 1 || last.size() > equals + 1);
}

}  // namespace

FileKind fileKind(std::string_view head) {
  core::ByteSource source({head});
  std::error_code reason;
  bool seenWords = false;
  FileKind kind = FileKind::kNeither;
  eachLine(source, reason,
           [&](const core::WordTable& table, size_t row, std::string_view) {
             if (table.wordCount(row) == 0) return true;
             if (!seenWords && readsAsKeyValue(table, row)) {
               kind = FileKind::kAirbus;
               return false;
             }
             seenWords = true;
             if (core::wordIs(table, row, 0, "ANF")) {
               kind = FileKind::kAnf;
               return false;
             }
             return true;
           });
  return kind;
}

bool linesOf(core::Source& source, size_t first, size_t count,
             const std::function<void(size_t line, std::string_view text)>& see,
             std::error_code& reason) {
  if (source.count() == 0) return true;
  const size_t end = first + count;
  return eachLine(
      source, reason,
      [&](const core::WordTable&, size_t row, std::string_view text) {
        const size_t line = row + 1;
        if (line >= first && line < end) see(line, text);
        return line + 1 < end;
      });
}

}  // namespace browser
