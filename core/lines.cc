// Whole input files as lines and words, through the window's own rules.
#include "core/lines.h"

#include <utility>

namespace core {

using detail::LineReader;

bool LineList::read(LineReader& reader, Separators separators, LineList& lines,
                    std::error_code& reason) {
  auto held = std::make_unique<Held>(separators);
  LineReader::Fill fill = LineReader::Fill::kFull;
  while (fill == LineReader::Fill::kFull) {
    fill = reader.fill(held->chunk, true, reason);
  }
  if (fill == LineReader::Fill::kFailed) return true;
  held->marks = reader.marks();
  held->run = held->chunk.runOf(0);
  lines.held_ = std::move(held);
  return false;
}

std::vector<std::string_view> LineList::toViews() const {
  std::vector<std::string_view> views;
  if (!held_) return views;
  std::string_view text = held_->chunk.text();
  if (held_->separators == Separators::kBlanks) {
    if (held_->blanked.empty()) {
      held_->blanked = text;
      for (char& c : held_->blanked) {
        if (c == '=' || c == ';') c = ' ';
      }
    }
    text = held_->blanked;
  }
  while (!text.empty()) {
    const size_t lineFeed = text.find('\n');
    std::string_view line = text.substr(0, lineFeed);
    text.remove_prefix(lineFeed + 1);
    // Only a CR LF pair of the file ends a line: a lone CR at the very end
    // stays.
    const bool added = text.empty() && held_->marks.lineFeedAdded;
    if (!added && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    views.push_back(line.substr(0, line.find('\0')));
  }
  return views;
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               Separators separators, std::error_code& reason) {
  reason.clear();
  lines = LineList();
  LineReader reader(separators);
  if (!reader.open(path, 0, reason)) return true;
  return LineList::read(reader, separators, lines, reason);
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               Separators separators) {
  std::error_code reason;
  return loadLines(path, lines, separators, reason);
}

LineList linesFromBytes(std::string_view bytes, Separators separators) {
  LineReader reader(separators);
  reader.openBytes(bytes, 0);
  LineList lines;
  std::error_code never;
  LineList::read(reader, separators, lines, never);
  return lines;
}

WordTable splitWords(const LineList& lines) {
  if (!lines.held_) return WordTable();
  return WordTable({&lines.held_->run, 1}, true,
                   lines.held_->separators == Separators::kBlanks);
}

}  // namespace core
